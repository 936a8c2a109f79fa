// A private PulseAudio server for the sound tests: its own folder and socket, no
// hardware and no system daemon, a null sink as the default output. This
// process's sound goes to it from start() on (PULSE_SERVER); stop(), or the end
// of the object, ends it.
#pragma once

#include <memory>
#include <optional>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kestrune::test {

class SoundServer {
public:
    // The null sink the server starts with.
    static constexpr const char* kSinkName = "kestrune_test";

    SoundServer() = default;
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Whether the machine has the server at all (scripts/install-deps puts it there).
    static bool isInstalled();

    // Starts the server and waits until it answers. Empty on success, else what
    // went wrong with the server's own words.
    QString start();
    void stop();
    bool isRunning() const { return process_ && process_->state() == QProcess::Running; }

    // Runs pactl against this server; its standard output, none when it failed.
    std::optional<QString> pactl(const QStringList& arguments) const;
    // Loads another null sink; the module's index, or −1.
    int loadNullSink(const QString& name) const;
    bool unloadModule(int index) const;
    // Brings the sink the server started with back, running and the default,
    // after a test took it away or suspended it.
    bool restoreSink() const;
    // Restarts the sink's clock, so that it takes up the latency its clients ask
    // for at once: an idle null sink sleeps up to 2 s before it looks again.
    bool wake(const QString& sink) const;
    // The module that made `sink`, or −1.
    int moduleOfSink(const QString& sink) const;

    // The server's address, as PULSE_SERVER takes it.
    QString address() const;

private:
    // The sink's entry in pactl's long listing.
    QString sinkDescription(const QString& sink) const;

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QProcess> process_;
    QByteArray previousServer_;
    QByteArray previousClientConfig_;
    bool hadPreviousServer_ = false;
};

} // namespace kestrune::test
