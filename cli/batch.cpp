// tarnel-cli's batch form: planning the outputs of files and folders, converting them on several
// threads, and reporting each problem, the progress and the summary.
#include "cli/batch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "cli/messages.h"
#include "cli/one_file.h"
#include "platform/file.h"
#include "platform/interrupt.h"

namespace fs = std::filesystem;

namespace {

// Asked for by Ctrl-C or a termination request: no new file is started, and the run ends by
// the signal once the running files are done. Atomics that need no lock may be set from a signal
// handler and read from the workers.
std::atomic<bool> g_bStopRequested{false};
std::atomic<int> g_nStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

void RequestStop(int nSignal) {
    g_nStopSignal = nSignal;
    g_bStopRequested = true;
}

// Ctrl-C and termination requests stop the batch while it runs; the previous handlers come
// back afterwards. Every later request only repeats the stop: the running files end, so none
// leaves a temporary file behind.
class StopOnSignals {
public:
    StopOnSignals() {
        g_bStopRequested = false;
        m_pPreviousInterrupt = std::signal(SIGINT, RequestStop);
        m_pPreviousTerminate = std::signal(SIGTERM, RequestStop);
    }
    ~StopOnSignals() {
        std::signal(SIGINT, m_pPreviousInterrupt);
        std::signal(SIGTERM, m_pPreviousTerminate);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    void (*m_pPreviousInterrupt)(int);
    void (*m_pPreviousTerminate)(int);
};

struct BatchItem {
    fs::path source;
    fs::path destination;
    std::uintmax_t nBytes = 0;
    std::string sProblem;  // why it cannot be converted, found while planning
};

enum class ItemResult { Converted, Warnings, Failed, Skipped };

// The output for an input at relative (its name, or its place under a folder given with -r):
// the same name with the other format's extension, beside the input or under --out-dir.
BatchItem ItemFor(const CliOptions& o, const fs::path& source, const fs::path& relative) {
    BatchItem item;
    item.source = source;
    item.source.make_preferred();  // one separator in what the user is shown
    fs::path name = relative;
    name.replace_extension(o.command == CliCommand::Compress ? ".jpg" : ".bmp");
    item.destination =
        o.sOutDir.empty() ? source.parent_path() / name.filename() : fs::u8path(o.sOutDir) / name;
    item.destination.make_preferred();
    std::error_code error;
    item.nBytes = fs::file_size(source, error);
    if (error)
        item.nBytes = 0;
    return item;
}

BatchItem Problem(const fs::path& source, std::string sProblem) {
    BatchItem item;
    item.source = source;
    item.source.make_preferred();
    item.sProblem = std::move(sProblem);
    return item;
}

// Every input file under folder, in name order, with its place under the folder.
void AddFolder(const CliOptions& o, const fs::path& folder, std::vector<BatchItem>& rItems) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) &&
            IsInputName(o.command, it->path().filename().u8string()))
            files.push_back(it->path());
    }
    if (error)
        rItems.push_back(Problem(folder, Say(Msg::FolderUnreadable, error.message().c_str())));
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
        rItems.push_back(ItemFor(o, file, file.lexically_relative(folder)));
}

// A path as the file system resolves it, to tell when two names mean one file.
fs::path Resolved(const fs::path& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

// A file named twice (on its own and inside a folder given with -r) is converted once.
void DropRepeatedSources(std::vector<BatchItem>& rItems) {
    std::set<fs::path> seen;
    rItems.erase(std::remove_if(rItems.begin(), rItems.end(),
                                [&seen](const BatchItem& item) {
                                    return !seen.insert(Resolved(item.source)).second;
                                }),
                 rItems.end());
}

// Refuses outputs that would overwrite an input of the batch or another item's output: the
// first item keeps its output, the later ones fail.
void RefuseClashes(std::vector<BatchItem>& rItems) {
    std::set<fs::path> sources;
    for (const BatchItem& item : rItems)
        sources.insert(Resolved(item.source));
    std::map<fs::path, const BatchItem*> outputs;
    for (BatchItem& item : rItems) {
        if (!item.sProblem.empty())
            continue;
        const fs::path destination = Resolved(item.destination);
        const auto earlier = outputs.find(destination);
        if (sources.count(destination) != 0)
            item.sProblem = Say(Msg::OutputIsInput, item.destination.u8string().c_str());
        else if (earlier != outputs.end())
            item.sProblem = Say(Msg::OutputClash, item.destination.u8string().c_str(),
                                earlier->second->source.u8string().c_str());
        else
            outputs.emplace(destination, &item);
    }
}

std::vector<BatchItem> PlanBatch(const CliOptions& o) {
    std::vector<BatchItem> items;
    for (const std::string& sInput : o.inputs) {
        const fs::path input = fs::u8path(sInput);
        std::error_code error;
        if (!fs::is_directory(input, error))
            items.push_back(ItemFor(o, input, input.filename()));
        else if (o.bRecursive)
            AddFolder(o, input, items);
        else
            items.push_back(Problem(input, Say(Msg::FolderNeedsR)));
    }
    DropRepeatedSources(items);
    RefuseClashes(items);
    return items;
}

std::string Megabytes(std::uintmax_t nBytes) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.1f", static_cast<double>(nBytes) / 1e6);
    return sz;
}

std::string MinutesAndSeconds(double dSeconds) {
    const long nSeconds = static_cast<long>(dSeconds + 0.5);
    char sz[32];
    std::snprintf(sz, sizeof sz, "%ld:%02ld", nSeconds / 60, nSeconds % 60);
    return sz;
}

class BatchRun {
public:
    BatchRun(const CliOptions& o, const CliStreams& io, std::vector<BatchItem> items)
        : m_options(o), m_io(io), m_items(std::move(items)) {
        for (const BatchItem& item : m_items)
            m_progress.nBytes += item.nBytes;
        m_progress.nFiles = m_items.size();
    }

    int Run();

private:
    void Work();
    ItemResult Convert(const BatchItem& item, std::string& rsMessage) const;
    void Finish(const BatchItem& item, ItemResult result, const std::string& sMessage);
    void ShowProgress();
    void ClearProgress();
    void PrintSummary(double dSeconds);
    int ExitCode() const;
    std::size_t& Count(ItemResult result) { return m_counts[static_cast<std::size_t>(result)]; }
    std::size_t Count(ItemResult result) const {
        return m_counts[static_cast<std::size_t>(result)];
    }

    const CliOptions& m_options;
    const CliStreams& m_io;
    const std::vector<BatchItem> m_items;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> m_nNext{0};

    std::mutex m_mutex;  // guards what follows, and the output streams
    std::condition_variable m_changed;
    BatchProgress m_progress;
    std::array<std::size_t, 4> m_counts{};  // by ItemResult
    bool m_bProgressShown = false;
};

// What one item comes to; rsMessage holds the lines that say why it failed, what the warnings
// were, or, with --verbose, what was done.
ItemResult BatchRun::Convert(const BatchItem& item, std::string& rsMessage) const {
    const std::string sSource = item.source.u8string();
    const std::string sDestination = item.destination.u8string();
    const auto fail = [&](const std::string& sFile, const std::string& sWhat) {
        rsMessage = Complaint(sFile, sWhat);
        return ItemResult::Failed;
    };
    if (!item.sProblem.empty())
        return fail(sSource, item.sProblem);
    if (const std::string sFault = SourceFault(sSource); !sFault.empty())
        return fail(sSource, sFault);
    std::error_code error;
    if (fs::exists(item.destination, error) && !m_options.bYes) {
        if (m_options.bVerbose)
            rsMessage = Say(Msg::Skipped, sSource.c_str(), sDestination.c_str()) + "\n";
        return ItemResult::Skipped;
    }
    if (!m_options.sOutDir.empty()) {
        fs::create_directories(item.destination.parent_path(), error);
        if (error)
            return fail(sSource, Say(Msg::CannotMakeFolder,
                                     item.destination.parent_path().u8string().c_str(),
                                     error.message().c_str()));
    }
    if (const std::string sFault = DestinationFault(sDestination); !sFault.empty())
        return fail(sDestination, sFault);
    const ConversionOutcome outcome = ConvertOneFile(m_options, sSource, sDestination);
    rsMessage = OutcomeReport(outcome, sSource);
    if (outcome.result == ConversionResult::Failed)
        return ItemResult::Failed;
    if (m_options.bVerbose)
        rsMessage += Say(Msg::Converted, sSource.c_str(), sDestination.c_str()) + "\n";
    return HasWarnings(outcome) ? ItemResult::Warnings : ItemResult::Converted;
}

void BatchRun::Work() {
    while (!g_bStopRequested) {
        const std::size_t nItem = m_nNext++;
        if (nItem >= m_items.size())
            return;
        std::string sMessage;
        const ItemResult result = Convert(m_items[nItem], sMessage);
        Finish(m_items[nItem], result, sMessage);
    }
}

void BatchRun::Finish(const BatchItem& item, ItemResult result, const std::string& sMessage) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++Count(result);
    ++m_progress.nFilesDone;
    m_progress.nBytesDone += item.nBytes;
    if (!sMessage.empty()) {
        ClearProgress();
        std::fputs(sMessage.c_str(), m_io.err);
        std::fflush(m_io.err);
    }
    m_changed.notify_one();
}

void BatchRun::ShowProgress() {
    if (!m_io.bProgress || m_options.bQuiet)
        return;
    m_progress.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::fprintf(m_io.err, "\r%s\033[K", ProgressLine(m_progress).c_str());
    std::fflush(m_io.err);
    m_bProgressShown = true;
}

void BatchRun::ClearProgress() {
    if (m_bProgressShown)
        std::fputs("\r\033[K", m_io.err);
    m_bProgressShown = false;
}

void BatchRun::PrintSummary(double dSeconds) {
    const std::size_t nNotStarted = m_items.size() - m_progress.nFilesDone;
    std::string sSummary =
        Say(Msg::Summary, Count(ItemResult::Converted), Count(ItemResult::Warnings),
            Count(ItemResult::Failed), Count(ItemResult::Skipped));
    if (Count(ItemResult::Skipped) != 0)
        sSummary += Say(Msg::SkippedHint);
    std::fprintf(m_io.out, "%s\n", sSummary.c_str());
    if (nNotStarted != 0)
        std::fprintf(m_io.out, "%s\n", Say(Msg::NotStarted, nNotStarted).c_str());
    if (m_options.bTime)
        std::fprintf(m_io.out, "%s\n", Say(Msg::Seconds, dSeconds).c_str());
}

int BatchRun::ExitCode() const {
    if (Count(ItemResult::Failed) != 0 || m_progress.nFilesDone != m_items.size())
        return kExitFailure;
    return Count(ItemResult::Warnings) != 0 ? kExitWarnings : kExitSuccess;
}

int BatchRun::Run() {
    const StopOnSignals stopOnSignals;
    const std::size_t nJobs = std::min<std::size_t>(
        m_options.nJobs > 0 ? static_cast<std::size_t>(m_options.nJobs)
                            : std::max(1u, std::thread::hardware_concurrency()),
        std::max<std::size_t>(m_items.size(), 1));
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < nJobs; ++i)
        workers.emplace_back([this] { Work(); });
    {
        // The progress line is redrawn as files end and a few times a second in between.
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_progress.nFilesDone < m_items.size() && !g_bStopRequested) {
            ShowProgress();
            m_changed.wait_for(lock, std::chrono::milliseconds(200));
        }
        if (g_bStopRequested) {
            ClearProgress();
            Complain(m_io.err, Say(Msg::Stopping));
            std::fflush(m_io.err);
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearProgress();
    PrintSummary(dSeconds);
    std::fflush(m_io.out);
    // Interrupted, the run ends as the signal ends a program, so that a shell loop around
    // tarnel-cli stops as it does around djpeg.
    if (g_bStopRequested)
        EndAsInterrupted(g_nStopSignal);
    return ExitCode();
}

}  // namespace

std::string ProgressLine(const BatchProgress& p) {
    std::string s =
        Say(Msg::Progress, std::to_string(p.nFilesDone).c_str(), std::to_string(p.nFiles).c_str(),
            Megabytes(p.nBytesDone).c_str(), Megabytes(p.nBytes).c_str());
    if (p.nBytesDone == 0 || p.dSeconds <= 0)
        return s;
    const double dRate = static_cast<double>(p.nBytesDone) / p.dSeconds;
    return s + Say(Msg::ProgressRate, Megabytes(static_cast<std::uintmax_t>(dRate)).c_str(),
                   MinutesAndSeconds(static_cast<double>(p.nBytes - p.nBytesDone) / dRate).c_str());
}

int RunBatch(const CliOptions& options, const CliStreams& io) {
    std::vector<BatchItem> items = PlanBatch(options);
    if (items.empty())  // only folders, with nothing the walk takes
        Complain(io.err, Say(options.command == CliCommand::Compress ? Msg::NoBitmapsFound
                                                                     : Msg::NoJpegsFound));
    BatchRun run(options, io, std::move(items));
    return run.Run();
}
