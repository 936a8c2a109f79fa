#include "sound_server.h"

#include <csignal>
#include <sys/prctl.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace kestrune::test {

namespace {

constexpr int kStartMilliseconds = 10'000;

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

SoundServer::~SoundServer() {
    stop();
}

bool SoundServer::isInstalled() {
    return !QStandardPaths::findExecutable("pulseaudio").isEmpty() &&
           !QStandardPaths::findExecutable("pactl").isEmpty() &&
           !QStandardPaths::findExecutable("parec").isEmpty();
}

QString SoundServer::address() const {
    return folder_ ? "unix:" + folder_->filePath("native") : QString();
}

QString SoundServer::start() {
    stop();
    folder_ = std::make_unique<QTemporaryDir>();
    if (!folder_->isValid())
        return "cannot make a folder for the sound server";
    const QString dir = folder_->path();
    // Only what the tests need: the socket, anyone on it allowed, and one null
    // sink, which plays in real time on the system clock like a sound card would.
    const QByteArray script =
        "load-module module-native-protocol-unix socket=" + folder_->filePath("native").toUtf8() +
        " auth-anonymous=1\n"
        "load-module module-null-sink sink_name=" +
        QByteArray(kSinkName) +
        " rate=44100 channels=2\n"
        "set-default-sink " +
        QByteArray(kSinkName) + "\n";
    // Clients never start a server of their own when this one is gone.
    const QByteArray clientConfig = "autospawn = no\n";
    if (!writeFile(folder_->filePath("server.pa"), script) ||
        !writeFile(folder_->filePath("client.conf"), clientConfig))
        return "cannot write the sound server's configuration";

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME",
                             "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"})
        environment.insert(name, dir);
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.remove("PULSE_SERVER");
    process_ = std::make_unique<QProcess>();
    process_->setProcessEnvironment(environment);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    // The server goes with the test program, even one that crashed.
    process_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start("pulseaudio",
                    {"--daemonize=no", "-n", "--file=" + folder_->filePath("server.pa"),
                     "--exit-idle-time=-1", "--use-pid-file=no", "--system=no", "--realtime=no",
                     "--high-priority=no", "--log-target=stderr", "--log-level=error"});
    if (!process_->waitForStarted(kStartMilliseconds)) {
        const QString why = process_->errorString();
        stop();
        return "pulseaudio did not start: " + why;
    }

    previousServer_ = qgetenv("PULSE_SERVER");
    hadPreviousServer_ = qEnvironmentVariableIsSet("PULSE_SERVER");
    previousClientConfig_ = qgetenv("PULSE_CLIENTCONFIG");
    qputenv("PULSE_SERVER", address().toUtf8());
    qputenv("PULSE_CLIENTCONFIG", folder_->filePath("client.conf").toUtf8());

    const QDeadlineTimer deadline(kStartMilliseconds);
    while (!deadline.hasExpired()) {
        if (!isRunning()) {
            const QString said = QString::fromLocal8Bit(process_->readAll()).trimmed();
            stop();
            return "pulseaudio stopped at once: " + said;
        }
        if (pactl({"info"}))
            return {};
        QThread::msleep(20);
    }
    stop();
    return "pulseaudio did not answer within 10 s";
}

void SoundServer::stop() {
    if (process_) {
        if (process_->state() != QProcess::NotRunning) {
            process_->terminate();
            if (!process_->waitForFinished(3000)) {
                process_->kill();
                process_->waitForFinished(3000);
            }
        }
        process_.reset();
        if (hadPreviousServer_)
            qputenv("PULSE_SERVER", previousServer_);
        else
            qunsetenv("PULSE_SERVER");
        // The test programs' own client settings (no server started on demand).
        qputenv("PULSE_CLIENTCONFIG", previousClientConfig_);
    }
    folder_.reset();
}

std::optional<QString> SoundServer::pactl(const QStringList& arguments) const {
    if (!folder_)
        return {};
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PULSE_SERVER", address());
    environment.insert("PULSE_CLIENTCONFIG", folder_->filePath("client.conf"));
    environment.insert("HOME", folder_->path());
    tool.setProcessEnvironment(environment);
    tool.start("pactl", arguments);
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

int SoundServer::loadNullSink(const QString& name) const {
    const std::optional<QString> index =
        pactl({"load-module", "module-null-sink", "sink_name=" + name, "rate=44100", "channels=2"});
    bool ok = false;
    const int value = index ? index->trimmed().toInt(&ok) : -1;
    return ok ? value : -1;
}

bool SoundServer::restoreSink() const {
    if (moduleOfSink(kSinkName) < 0 && loadNullSink(kSinkName) < 0)
        return false;
    return pactl({"suspend-sink", kSinkName, "0"}) && pactl({"set-default-sink", kSinkName});
}

bool SoundServer::wake(const QString& sink) const {
    return pactl({"suspend-sink", sink, "1"}) && pactl({"suspend-sink", sink, "0"});
}

bool SoundServer::unloadModule(int index) const {
    return pactl({"unload-module", QString::number(index)}).has_value();
}

QString SoundServer::sinkDescription(const QString& sink) const {
    const QStringList blocks =
        pactl({"list", "sinks"}).value_or(QString()).split(QRegularExpression("\\n(?=Sink #)"));
    for (const QString& block : blocks) {
        if (block.contains("Name: " + sink + "\n"))
            return block;
    }
    return {};
}

int SoundServer::moduleOfSink(const QString& sink) const {
    const QRegularExpressionMatch owner =
        QRegularExpression("Owner Module: (\\d+)").match(sinkDescription(sink));
    return owner.hasMatch() ? owner.captured(1).toInt() : -1;
}

} // namespace kestrune::test
