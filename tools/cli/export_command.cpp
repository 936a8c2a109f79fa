#include "commands.h"
#include "export/export_pipeline.h"
#include "export/export_request.h"
#include "model/file_reference.h"
#include "project_loading.h"
#include "ui/time_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <variant>

#include <QFileInfo>

extern "C" {
#include <libavutil/log.h>
}

namespace kestrune::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
// What a shell reports for a program ended by Ctrl-C.
constexpr int kInterrupted = 130;

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrune-cli export: %s\n\n%s", qPrintable(message), kExportHelp);
    return kUsageError;
}

void fail(const QString& message) {
    std::fprintf(stderr, "kestrune-cli export: %s\n", qPrintable(message));
}

struct Options {
    QString project;
    QString output;
    ExportCodec codec = ExportCodec::h264;
    ExportQuality quality = ExportQuality::high;
};

std::optional<ExportCodec> codecNamed(const QString& name) {
    if (name == "h264")
        return ExportCodec::h264;
    if (name == "hevc")
        return ExportCodec::hevc;
    if (name == "prores")
        return ExportCodec::prores;
    return std::nullopt;
}

std::optional<ExportQuality> qualityNamed(const QString& name) {
    if (name == "standard")
        return ExportQuality::standard;
    if (name == "high")
        return ExportQuality::high;
    if (name == "maximum")
        return ExportQuality::maximum;
    return std::nullopt;
}

// Reads the arguments into options; on a usage error prints it and returns the
// exit code.
std::optional<int> parse(const QStringList& arguments, Options& options) {
    bool haveOutput = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        QString value;
        bool hasValue = false;
        // "--codec=hevc" as well as "--codec hevc".
        if (argument.startsWith("--") && argument.contains('=')) {
            value = argument.section('=', 1);
            argument = argument.section('=', 0, 0);
            hasValue = true;
        }
        auto takeValue = [&]() -> std::optional<QString> {
            if (hasValue)
                return value;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };

        if (argument == "-o" || argument == "--output") {
            auto path = takeValue();
            if (!path || path->isEmpty())
                return usageError("-o needs the path of the file to write");
            options.output = *path;
            haveOutput = true;
        } else if (argument == "--codec") {
            auto name = takeValue();
            auto codec = name ? codecNamed(*name) : std::nullopt;
            if (!codec)
                return usageError(QString("unknown codec '%1' (choose h264, hevc or prores)")
                                      .arg(printable(name.value_or(""))));
            options.codec = *codec;
        } else if (argument == "--quality") {
            auto name = takeValue();
            auto quality = name ? qualityNamed(*name) : std::nullopt;
            if (!quality)
                return usageError(QString("unknown quality '%1' (choose standard, high or maximum)")
                                      .arg(printable(name.value_or(""))));
            options.quality = *quality;
        } else if (argument.startsWith('-') && argument != "-") {
            return usageError(QString("unknown option '%1'").arg(printable(argument)));
        } else if (!options.project.isEmpty()) {
            return usageError(QString("unexpected argument '%1'").arg(printable(argument)));
        } else {
            options.project = argument;
        }
    }
    if (options.project.isEmpty())
        return usageError("name the project to export, by its id or its file");
    if (!haveOutput)
        return usageError("name the file to write with -o");
    return std::nullopt;
}

// The progress on standard error: one line rewritten in place on a terminal, one
// line per phase otherwise (a log file gets no carriage-return clutter). Called on
// the export's threads; quiet once the export is cancelled.
class TerminalProgress final : public ExportObserver {
public:
    explicit TerminalProgress(const CancellationToken& cancellation)
        : cancellation_(cancellation)
        , terminal_(::isatty(STDERR_FILENO) == 1) {}

    void exportPhase(const std::string& phase) override {
        std::lock_guard lock(mutex_);
        phase_ = QString::fromStdString(phase);
        print();
    }
    void exportProgress(double progress, double elapsedMs) override {
        std::lock_guard lock(mutex_);
        progress_ = progress;
        elapsedMs_ = elapsedMs;
        print();
    }
    void exportFinished(const ExportOutcome& outcome) override {
        std::lock_guard lock(mutex_);
        // Ends the rewritten line so that what follows starts on its own.
        if (terminal_ && !lastLine_.isEmpty())
            std::fputc('\n', stderr);
        outcome_ = outcome;
    }
    ExportOutcome outcome() const {
        std::lock_guard lock(mutex_);
        return outcome_;
    }

private:
    void print() {
        if (cancellation_.isCancelled())
            return;
        QString line =
            QString("%1 — %2%").arg(printable(phase_)).arg(static_cast<int>(progress_ * 100));
        if (auto remaining = estimatedRemainingMs(progress_, elapsedMs_))
            line += "  ~" + formatTime(*remaining / 1000.0) + " remaining";
        if (terminal_) {
            if (line == lastLine_)
                return;
            // Spaces wipe what is left of a longer previous line.
            const qsizetype pad = std::max<qsizetype>(0, lastLine_.size() - line.size());
            std::fprintf(stderr, "\r%s%s", qPrintable(line), std::string(pad, ' ').c_str());
            std::fflush(stderr);
            lastLine_ = line;
        } else if (phase_ != lastPhase_) {
            std::fprintf(stderr, "%s\n", qPrintable(line));
            lastPhase_ = phase_;
        }
    }

    const CancellationToken& cancellation_;
    const bool terminal_;
    mutable std::mutex mutex_;
    QString phase_;
    double progress_ = 0;
    double elapsedMs_ = 0;
    QString lastLine_;
    QString lastPhase_;
    ExportOutcome outcome_{ExportOutcome::End::failed, "the export did not finish"};
};

// Ctrl-C, SIGTERM and SIGHUP arrive through a self-pipe: the handler only writes a byte
// (the signal's number), a watching thread cancels the export. The handler is then
// reset, so a second signal ends the program at once should cancelling hang.
int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalHandlers() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    // A closed terminal (SIGHUP) is a cancel too: nothing half-written is left.
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGHUP, &action, nullptr) == 0;
}

class SignalWatcher {
public:
    explicit SignalWatcher(CancellationToken& cancellation)
        : thread_([this, &cancellation] { watch(cancellation); }) {}
    ~SignalWatcher() {
        const char stop = 0;
        [[maybe_unused]] auto written = ::write(signalPipe[1], &stop, 1);
        thread_.join();
    }
    bool interrupted() const { return interrupted_; }

private:
    void watch(CancellationToken& cancellation) {
        pollfd readable{signalPipe[0], POLLIN, 0};
        for (;;) {
            char byte = 0;
            if (::read(signalPipe[0], &byte, 1) != 1) {
                ::poll(&readable, 1, -1);
                continue;
            }
            if (byte == 0)
                return;
            interrupted_ = true;
            cancellation.cancel();
        }
    }

    std::atomic<bool> interrupted_{false};
    std::thread thread_;
};

int runExportJob(const ExportConfig& config, const std::string& outputPath) {
    if (!installSignalHandlers()) {
        fail("could not set up the handling of Ctrl-C");
        return kFailure;
    }
    CancellationToken cancellation;
    TerminalProgress progress(cancellation);
    bool interrupted = false;
    {
        SignalWatcher watcher(cancellation);
        exportMovie(config, outputPath, progress, cancellation);
        interrupted = watcher.interrupted();
    }
    const ExportOutcome outcome = progress.outcome();
    if (interrupted) {
        std::fputs("Export cancelled.\n", stderr);
        return kInterrupted;
    }
    switch (outcome.end) {
    case ExportOutcome::End::completed:
        std::printf("%s\n", outputPath.c_str());
        return 0;
    case ExportOutcome::End::failed:
        fail(printable(QString::fromStdString(outcome.error)));
        return kFailure;
    case ExportOutcome::End::cancelled:
        break;
    }
    fail("the export was cancelled");
    return kFailure;
}

} // namespace

int runExport(const QStringList& arguments) {
    Options options;
    if (auto code = parse(arguments, options))
        return *code;
    const QString output = QFileInfo(options.output).absoluteFilePath();
    // Said before any work: the name alone is wrong.
    if (auto problem = outputNameProblem(output.toStdString(), options.codec))
        return usageError(printable(QString::fromStdString(problem->message)));

    std::optional<Project> project = loadProject(options.project, "export");
    if (!project)
        return kFailure;
    // The encoders' banners and statistics would drown the progress line, and the
    // demuxers' guesses about files that turn out not to be videos say nothing the
    // validation does not say better.
    av_log_set_level(AV_LOG_ERROR);
    // A reference whose file is gone keeps the path it was made for, so the check
    // says the file is missing rather than that there is no reference.
    std::map<Uuid, std::string> clipPaths;
    for (const VideoClip& clip : project->clips)
        if (const auto location = locateClip(clip))
            clipPaths[clip.id] = location->path;

    const ExportRequest request = requestExport(
        std::move(*project), clipPaths, output.toStdString(), options.codec, options.quality);
    if (const auto* problem = std::get_if<ExportProblem>(&request)) {
        // Clip names are the user's; each line is made safe for the terminal.
        QStringList lines = QString::fromStdString(problem->message).split('\n');
        for (QString& line : lines)
            line = printable(line);
        fail(lines.join('\n'));
        return kFailure;
    }
    return runExportJob(std::get<ExportConfig>(request), output.toStdString());
}

} // namespace kestrune::cli
