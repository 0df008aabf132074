// Quorva run-time. Licensed under the MIT licence.
#include "shell/PrintSpool.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "shell/PrintCups.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using shell::PrintSpool;

// A one-page PDF with `text` on it, as the renderers make them.
void WritePdfWithText(const fs::path& path, const QString& text) {
    QPdfWriter writer(QString::fromStdString(path.string()));
    writer.setResolution(300);
    QPainter painter(&writer);
    QFont font("Liberation Sans");
    font.setPointSize(24);
    painter.setFont(font);
    painter.drawText(QPointF(300, 600), text);
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            output.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return output;
}

std::string PdfText(const fs::path& path) {
    return RunCommand("pdftotext -q '" + path.string() + "' - 2>/dev/null");
}

std::vector<std::string> FileNames(const fs::path& directory, std::string_view extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error))
        if (it->is_regular_file() && it->path().extension() == extension)
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The log lines of the test's lifetime.
class SpoolLog {
public:
    SpoolLog() {
        m_previousLevel = platform::log::Level();
        platform::log::SetLevel(platform::LogLevel::Info);
        m_previous = platform::log::SetSink([this](platform::LogLevel, std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~SpoolLog() {
        platform::log::SetSink(m_previous);
        platform::log::SetLevel(m_previousLevel);
    }
    bool Has(std::string_view part) const {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }
    std::string All() const {
        std::lock_guard lock(m_mutex);
        std::string all;
        for (const std::string& line : m_lines)
            all += line + "\n";
        return all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    platform::log::Sink m_previous;
    platform::LogLevel m_previousLevel{};
};

// 2025-01-31 14:25:01.042 UTC.
std::chrono::system_clock::time_point FixedTime(std::chrono::milliseconds offset = 0ms) {
    return std::chrono::system_clock::time_point(1738333501042ms + offset);
}

PrintSpool::Settings PdfSettings(const fs::path& project) {
    PrintSpool::Settings settings;
    settings.projectDirectory = project.string();
    settings.toPdfFiles = true;
    return settings;
}

} // namespace

TEST(PrintSpool, PdfFilesAreNamedToSortByTimeEvenWhenTheClockGoesBack) {
    testsupport::TempDir project;
    SpoolLog log;
    std::chrono::milliseconds offset{0};
    PrintSpool spool(PdfSettings(project.Path()), [&] { return FixedTime(offset); });
    EXPECT_FALSE(fs::exists(project / "Print")); // made for the first job, not before
    EXPECT_EQ(spool.PrintDirectory(), (project / "Print").string());
    EXPECT_EQ(spool.SpoolDirectory(), (project / "Print" / "Spool").string());
    EXPECT_TRUE(spool.Printers().empty());
    EXPECT_FALSE(spool.SelectPrinter(0));
    EXPECT_DOUBLE_EQ(spool.Page().widthPoints, 595.0); // A4 without a printer
    EXPECT_DOUBLE_EQ(spool.Page().heightPoints, 842.0);

    std::vector<std::string> contents;
    std::vector<fs::path> sources;
    const auto submit = [&](std::chrono::milliseconds at, const std::string& text, fs::path path) {
        offset = at;
        WritePdfWithText(path, QString::fromStdString(text));
        contents.push_back(testsupport::ReadFile(path));
        sources.push_back(path);
        spool.Submit(path.string(), "Report " + text);
    };
    submit(0ms, "first", spool.NewJobPath());
    submit(0ms, "second", spool.NewJobPath());    // the same millisecond
    submit(-5000ms, "third", spool.NewJobPath()); // the clock went back
    // A file on another file system (memory, where there is one) is copied, then removed.
    const fs::path elsewhere =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : project.Path();
    submit(61'000ms, "fourth", elsewhere / ("quorva-spool-test-" + std::to_string(::getpid())));
    spool.Drain();

    const std::vector<std::string> names = FileNames(project / "Print", ".pdf");
    ASSERT_EQ(names.size(), 4u) << log.All();
    EXPECT_EQ(names[0], "20250131-142501-042-000001.pdf");
    EXPECT_EQ(names[1], "20250131-142501-042-000002.pdf");
    EXPECT_EQ(names[2], "20250131-142501-042-000003.pdf");
    EXPECT_EQ(names[3], "20250131-142602-042-000001.pdf");
    // Each file is its job, unchanged; nothing is left in the spool.
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(testsupport::ReadFile(project / "Print" / names[i]), contents[i]) << i;
        EXPECT_FALSE(fs::exists(sources[i])) << sources[i];
    }
    EXPECT_TRUE(FileNames(project / "Print" / "Spool", ".pdf").empty());
    EXPECT_TRUE(FileNames(project / "Print" / "Spool", ".title").empty());
    EXPECT_TRUE(FileNames(project / "Print" / "Spool", ".part").empty());
    EXPECT_EQ(spool.Waiting(), 0u);
    EXPECT_TRUE(log.Has("job \"Report first\" written to")) << log.All();
}

TEST(PrintSpool, SettingsComeFromTheProjectThenTheMachineAndBadLinesAreIgnored) {
    testsupport::TempDir project;
    testsupport::TempDir config;
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    SpoolLog log;

    testsupport::WriteFile(project / "quorva.ini",
                           "\xEF\xBB\xBF; project settings\r\n"
                           "[Ports]\r\nPrinter=not-this-one\r\n"
                           "[ printing ]\r\n"
                           "Output = pdf\r\n"
                           "Printer = office\r\n"
                           "Directory = Reports/Out\r\n"
                           "RetrySeconds = 0\r\n"
                           "Colour = yes\r\n"
                           "Output = fax\r\n");
    PrintSpool::Settings settings = PrintSpool::LoadSettings(project.Path().string());
    EXPECT_EQ(settings.projectDirectory, project.Path().string());
    EXPECT_TRUE(settings.toPdfFiles);
    EXPECT_FALSE(settings.printerOnly);
    EXPECT_EQ(settings.printer, "office");
    EXPECT_EQ(settings.directory, (project / "Reports" / "Out").string());
    EXPECT_EQ(settings.retryInterval, 30s); // 0 is refused
    EXPECT_TRUE(log.Has("RetrySeconds is a number")) << log.All();
    EXPECT_TRUE(log.Has("unknown key")) << log.All();
    EXPECT_TRUE(log.Has("Output is auto, printer or pdf")) << log.All();

    // The machine's file wins over the project's.
    fs::create_directories(config / "quorva");
    testsupport::WriteFile(config / "quorva" / "quorva.ini",
                           "[Printing]\nOutput=printer\nPrinter=line2\nDirectory=/var/print\n"
                           "RetrySeconds=120\n");
    settings = PrintSpool::LoadSettings(project.Path().string());
    EXPECT_FALSE(settings.toPdfFiles);
    EXPECT_TRUE(settings.printerOnly);
    EXPECT_EQ(settings.printer, "line2");
    EXPECT_EQ(settings.directory, "/var/print");
    EXPECT_EQ(settings.retryInterval, 120s);

    // Without any file, the defaults given stay.
    testsupport::TempDir bare;
    PrintSpool::Settings defaults;
    defaults.printer = "given";
    ::setenv("XDG_CONFIG_HOME", bare.Path().c_str(), 1);
    settings = PrintSpool::LoadSettings(bare.Path().string(), defaults);
    EXPECT_EQ(settings.printer, "given");
    EXPECT_FALSE(settings.toPdfFiles);
    if (previous != nullptr)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST(PrintSpool, JobsLeftByAnEarlierRunGoFirstAndBrokenOnesAreSetAside) {
    testsupport::TempDir project;
    const fs::path spoolDirectory = project / "Print" / "Spool";
    fs::create_directories(spoolDirectory);
    WritePdfWithText(spoolDirectory / "20300101-000000-000-000007.pdf", "left one");
    testsupport::WriteFile(spoolDirectory / "20300101-000000-000-000007.title", "Left job");
    WritePdfWithText(spoolDirectory / "20300101-000000-000-000003.pdf", "left two");
    testsupport::WriteFile(spoolDirectory / "render-1-1.part", "%PDF-1.4 half");
    testsupport::WriteFile(spoolDirectory / "20200101-000000-000-000001.title", "orphan");
    testsupport::WriteFile(spoolDirectory / "20200101-000000-000-000002.pdf", "not a pdf");
    SpoolLog log;

    // The clock says 2025, earlier than the jobs left: the new job still sorts after them.
    PrintSpool spool(PdfSettings(project.Path()), [] { return FixedTime(); });
    const fs::path fresh = spool.NewJobPath();
    WritePdfWithText(fresh, "new");
    spool.Submit(fresh.string(), "New job");
    spool.Drain();

    EXPECT_EQ(FileNames(project / "Print", ".pdf"),
              (std::vector<std::string>{"20300101-000000-000-000003.pdf",
                                        "20300101-000000-000-000007.pdf",
                                        "20300101-000000-000-000008.pdf"}))
        << log.All();
    EXPECT_NE(PdfText(project / "Print" / "20300101-000000-000-000008.pdf").find("new"),
              std::string::npos);
    EXPECT_TRUE(log.Has("3 job(s) left in the spool")) << log.All();
    EXPECT_TRUE(log.Has("job \"Left job\" written to")) << log.All();

    // The half-written file and the file that is no PDF are kept aside, with a line each.
    EXPECT_EQ(FileNames(spoolDirectory / "Failed", ".pdf"),
              (std::vector<std::string>{"20200101-000000-000-000002.pdf", "render-1-1.pdf"}));
    EXPECT_TRUE(log.Has("was being written when an earlier run ended")) << log.All();
    EXPECT_TRUE(log.Has("it is not a PDF file")) << log.All();
    // The title without its job is gone; nothing waits.
    EXPECT_TRUE(FileNames(spoolDirectory, ".title").empty());
    EXPECT_TRUE(FileNames(spoolDirectory, ".pdf").empty());
    EXPECT_EQ(spool.Waiting(), 0u);
}

TEST(PrintSpool, AJobThatCannotBeKeptIsLoggedAsLostAndItsFileStays) {
    testsupport::TempDir project;
    SpoolLog log;
    // The print directory's place is taken by a file: no spool can be made there.
    testsupport::WriteFile(project / "Print", "in the way");
    {
        PrintSpool spool(PdfSettings(project.Path()), [] { return FixedTime(); });
        spool.NewJobPath();
        EXPECT_TRUE(log.Has("cannot make the spool directory")) << log.All();
        const fs::path source = project / "job.pdf";
        WritePdfWithText(source, "kept");
        spool.Submit(source.string(), "Unkept");
        spool.Submit((project / "missing.pdf").string(), "Missing");
        spool.Drain();
        EXPECT_TRUE(fs::exists(source));
        EXPECT_TRUE(log.Has("job \"Unkept\" lost")) << log.All();
        EXPECT_TRUE(log.Has("stays at " + source.string())) << log.All();
        EXPECT_TRUE(log.Has("job \"Missing\" lost: its file")) << log.All();
    }
    EXPECT_EQ(testsupport::ReadFile(project / "Print"), "in the way");
}

TEST(PrintSpool, TitlesForCupsAreCleanUtf8WithinTheLimit) {
    using shell::printcups::CleanUtf8;
    EXPECT_EQ(CleanUtf8("Rapport de poste", 255), "Rapport de poste");
    EXPECT_EQ(CleanUtf8("R\xC3\xA9glages", 255), "R\xC3\xA9glages");
    // A Windows-1252 byte, an overlong form, a surrogate and a control character.
    EXPECT_EQ(CleanUtf8("R\xE9gl", 255), "R?gl");
    EXPECT_EQ(CleanUtf8("a\xC0\xAF" "b", 255), "a??b");
    EXPECT_EQ(CleanUtf8("\xED\xA0\x80x", 255), "???x");
    EXPECT_EQ(CleanUtf8("line\nbreak", 255), "line break");
    // Cut at the limit without splitting a character.
    EXPECT_EQ(CleanUtf8("ab\xC3\xA9", 3), "ab");
    EXPECT_EQ(CleanUtf8(std::string(300, 'x'), 255).size(), 255u);
}

// --- a CUPS scheduler of the test's own ---

namespace {

// The PPD of a queue that hands PDF jobs on as PDF (through cups-filters' pdftopdf) to a file,
// with margins the page size can be checked against.
constexpr const char* kPassThroughPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QPASS.PPD"
*Manufacturer: "Quorva"
*ModelName: "Quorva test PDF queue"
*NickName: "Quorva test PDF queue"
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)PPD";

// cupsd in the foreground, listening on a socket in a temporary directory only, with its queues
// printing into files there. CUPS_SERVER points this process's clients at it while it lives.
class TestCupsd {
public:
    TestCupsd() {
        fs::permissions(m_root.Path(), fs::perms::all, fs::perm_options::replace);
        for (const char* name : {"conf", "spool", "cache", "state", "log", "tmp", "out"}) {
            fs::create_directories(m_root / name);
            fs::permissions(m_root / name, fs::perms::all, fs::perm_options::replace);
        }
        m_socket = (m_root / "cups.sock").string();
        testsupport::WriteFile(m_root / "conf" / "cupsd.conf",
                               "Listen " + m_socket +
                                   "\nLogLevel info\nWebInterface No\nBrowsing No\n"
                                   "DefaultAuthType None\nErrorPolicy stop-printer\n"
                                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                   "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                   "  </Limit>\n</Policy>\n");
        const fs::path& r = m_root.Path();
        testsupport::WriteFile(
            m_root / "conf" / "cups-files.conf",
            "FileDevice Yes\nServerRoot " + (r / "conf").string() + "\nRequestRoot " +
                (r / "spool").string() + "\nCacheDir " + (r / "cache").string() +
                "\nStateDir " + (r / "state").string() + "\nTempDir " + (r / "tmp").string() +
                "\nErrorLog " + (r / "log" / "error_log").string() + "\nAccessLog " +
                (r / "log" / "access_log").string() + "\nPageLog " +
                (r / "log" / "page_log").string() + "\nPrintcap " +
                (r / "state" / "printcap").string() + "\n" +
                (::getuid() == 0 ? "SystemGroup root\n" : ""));
        testsupport::WriteFile(m_root / "pass.ppd", kPassThroughPpd);
        const char* previous = std::getenv("CUPS_SERVER");
        m_hadServer = previous != nullptr;
        if (m_hadServer)
            m_previousServer = previous;
        ::setenv("CUPS_SERVER", m_socket.c_str(), 1);
    }
    ~TestCupsd() {
        Stop();
        if (m_hadServer)
            ::setenv("CUPS_SERVER", m_previousServer.c_str(), 1);
        else
            ::unsetenv("CUPS_SERVER");
    }

    // Why cupsd cannot run here, or empty when it runs and answers on its socket.
    std::string Start() {
        if (::access("/usr/sbin/cupsd", X_OK) != 0)
            return "/usr/sbin/cupsd is not installed";
        std::error_code ignored;
        fs::remove(m_socket, ignored);
        const std::string conf = (m_root / "conf" / "cupsd.conf").string();
        const std::string files = (m_root / "conf" / "cups-files.conf").string();
        std::vector<std::string> arguments = {"/usr/sbin/cupsd", "-f", "-c", conf, "-s", files};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = (m_root / "log" / "cupsd.out").string();
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(),
                                          environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            m_pid = 0;
            return "cupsd cannot be started";
        }
        for (int attempt = 0; attempt < 300; ++attempt) {
            if (Answers())
                return {};
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = 0;
                return "cupsd ended at once: " + testsupport::ReadFile(output) +
                       testsupport::ReadFile(m_root / "log" / "error_log");
            }
            std::this_thread::sleep_for(50ms);
        }
        return "cupsd does not answer on " + m_socket;
    }
    void Stop() {
        if (m_pid <= 0)
            return;
        // As a machine shuts down: cupsd saves its queues and ends.
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
    }

    // An enabled queue printing into out/<name>.pdf.
    bool AddQueue(const std::string& name, bool makeDefault) {
        const std::string command =
            "lpadmin -p " + name + " -v 'file://" + Output(name).string() + "' -P '" +
            (m_root / "pass.ppd").string() + "' -E" + " 2>&1" +
            (makeDefault ? " && lpadmin -d " + name + " 2>&1" : "");
        m_lastOutput = RunCommand(command + "; echo status=$?");
        return m_lastOutput.find("status=0") != std::string::npos;
    }
    // Runs a CUPS client command (cupsdisable, cupsreject ...) against this scheduler.
    bool Client(const std::string& command) {
        m_lastOutput = RunCommand(command + " 2>&1; echo status=$?");
        return m_lastOutput.find("status=0") != std::string::npos;
    }
    fs::path Output(const std::string& queue) const { return m_root / "out" / (queue + ".pdf"); }
    const std::string& LastOutput() const { return m_lastOutput; }
    std::string ErrorLog() const { return testsupport::ReadFile(m_root / "log" / "error_log"); }

    // Waits (boundedly) until `count` jobs of `queue` are completed; their titles, oldest first.
    std::vector<std::string> CompletedTitles(const std::string& queue, std::size_t count) {
        std::vector<std::string> titles;
        for (int attempt = 0; attempt < 600 && titles.size() < count; ++attempt) {
            titles.clear();
            if (http_t* http = httpConnect2(m_socket.c_str(), 0, nullptr, AF_UNSPEC,
                                            HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr)) {
                cups_job_t* jobs = nullptr;
                const int n = cupsGetJobs2(http, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
                std::vector<std::pair<int, std::string>> sorted;
                for (int i = 0; i < n; ++i)
                    if (jobs[i].state == IPP_JSTATE_COMPLETED)
                        sorted.emplace_back(jobs[i].id, jobs[i].title ? jobs[i].title : "");
                cupsFreeJobs(n, jobs);
                httpClose(http);
                std::sort(sorted.begin(), sorted.end());
                for (auto& [id, title] : sorted)
                    titles.push_back(title);
            }
            if (titles.size() < count)
                std::this_thread::sleep_for(50ms);
        }
        return titles;
    }

private:
    bool Answers() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_socket.c_str());
        const bool connected =
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return connected;
    }

    testsupport::TempDir m_root;
    std::string m_socket;
    pid_t m_pid = 0;
    bool m_hadServer = false;
    std::string m_previousServer;
    std::string m_lastOutput;
};

class PrintSpoolCups : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access("/usr/bin/pdftotext", X_OK) != 0)
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        const std::string why = m_cupsd.Start();
        if (!why.empty())
            GTEST_SKIP() << "no CUPS scheduler can run here: " << why;
    }

    std::unique_ptr<PrintSpool> MakeSpool(PrintSpool::Settings settings = {}) {
        settings.projectDirectory = m_project.Path().string();
        return std::make_unique<PrintSpool>(settings);
    }
    // Submits a PDF holding `text`.
    void Print(PrintSpool& spool, const std::string& text, const std::string& title) {
        const fs::path path = spool.NewJobPath();
        WritePdfWithText(path, QString::fromStdString(text));
        spool.Submit(path.string(), title);
    }

    testsupport::TempDir m_project;
    TestCupsd m_cupsd;
    SpoolLog m_log;
};

} // namespace

TEST_F(PrintSpoolCups, AJobArrivesCompleteOnTheDefaultQueueOrTheOneChosen) {
    ASSERT_TRUE(m_cupsd.AddQueue("quorva_first", false)) << m_cupsd.LastOutput();
    ASSERT_TRUE(m_cupsd.AddQueue("quorva_main", true)) << m_cupsd.LastOutput();
    auto spool = MakeSpool();

    // The default first; the page of the queue's default media, inside its margins.
    const std::vector<std::string> printers = spool->Printers();
    ASSERT_EQ(printers.size(), 2u) << m_log.All();
    EXPECT_EQ(printers[0], "quorva_main");
    EXPECT_EQ(printers[1], "quorva_first");
    EXPECT_EQ(spool->SelectedPrinter(), 0u);
    const PrintSpool::PageSize page = spool->Page();
    EXPECT_NEAR(page.paperWidthPoints, 595.0, 1.0);
    EXPECT_NEAR(page.paperHeightPoints, 842.0, 1.0);
    EXPECT_NEAR(page.leftMarginPoints, 18.0, 1.0);
    EXPECT_NEAR(page.topMarginPoints, 36.0, 1.0);
    EXPECT_NEAR(page.widthPoints, 577.0 - 18.0, 1.0);
    EXPECT_NEAR(page.heightPoints, 806.0 - 36.0, 1.0);

    Print(*spool, "Shift report 42", "Rapport de poste \xC3\xA9t\xC3\xA9");
    spool->Drain();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_main", 1),
              std::vector<std::string>{"Rapport de poste \xC3\xA9t\xC3\xA9"})
        << m_cupsd.ErrorLog();
    EXPECT_NE(PdfText(m_cupsd.Output("quorva_main")).find("Shift report 42"), std::string::npos);
    EXPECT_TRUE(m_log.Has("sent to printer quorva_main")) << m_log.All();
    EXPECT_TRUE(FileNames(m_project / "Print", ".pdf").empty());
    EXPECT_TRUE(FileNames(m_project / "Print" / "Spool", ".pdf").empty());

    // Another queue by its index; an index past the list changes nothing.
    EXPECT_FALSE(spool->SelectPrinter(2));
    ASSERT_TRUE(spool->SelectPrinter(1));
    EXPECT_EQ(spool->SelectedPrinter(), 1u);
    Print(*spool, "Second queue", "To the first");
    spool->Drain();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_first", 1),
              std::vector<std::string>{"To the first"});
    EXPECT_NE(PdfText(m_cupsd.Output("quorva_first")).find("Second queue"), std::string::npos);
}

TEST_F(PrintSpoolCups, JobsWaitInTheSpoolWhileCupsOrThePrinterCannotTakeThem) {
    ASSERT_TRUE(m_cupsd.AddQueue("quorva_line", true)) << m_cupsd.LastOutput();
    auto spool = MakeSpool();
    ASSERT_EQ(spool->Printers(), std::vector<std::string>{"quorva_line"}) << m_log.All();

    // CUPS goes down: two jobs wait in the spool, in order, and the log says so.
    m_cupsd.Stop();
    Print(*spool, "Job one", "One");
    Print(*spool, "Job two", "Two");
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 2u);
    EXPECT_EQ(FileNames(m_project / "Print" / "Spool", ".pdf").size(), 2u);
    EXPECT_TRUE(m_log.Has("job \"One\"")) << m_log.All();
    EXPECT_TRUE(m_log.Has("kept in the spool")) << m_log.All();
    EXPECT_TRUE(m_log.Has("CUPS is not reachable")) << m_log.All();
    // The printer was seen: the jobs do not become files meanwhile.
    EXPECT_TRUE(FileNames(m_project / "Print", ".pdf").empty());

    // Once CUPS is back, both are sent, the older first.
    ASSERT_EQ(m_cupsd.Start(), "");
    spool->RetryNow();
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 0u) << m_log.All();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_line", 2), (std::vector<std::string>{"One", "Two"}))
        << m_cupsd.ErrorLog();
    EXPECT_NE(PdfText(m_cupsd.Output("quorva_line")).find("Job two"), std::string::npos);
    EXPECT_TRUE(FileNames(m_project / "Print" / "Spool", ".pdf").empty());

    // A stopped queue, then one that rejects jobs: the job waits until the queue is right.
    ASSERT_TRUE(m_cupsd.Client("cupsdisable quorva_line")) << m_cupsd.LastOutput();
    Print(*spool, "Job three", "Three");
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 1u);
    EXPECT_TRUE(m_log.Has("printer quorva_line is stopped")) << m_log.All();
    ASSERT_TRUE(m_cupsd.Client("cupsenable quorva_line && cupsreject quorva_line"));
    spool->RetryNow();
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 1u);
    EXPECT_TRUE(m_log.Has("printer quorva_line does not accept jobs")) << m_log.All();
    ASSERT_TRUE(m_cupsd.Client("cupsaccept quorva_line"));
    spool->RetryNow();
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 0u) << m_log.All();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_line", 3),
              (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_NE(PdfText(m_cupsd.Output("quorva_line")).find("Job three"), std::string::npos);
}

TEST_F(PrintSpoolCups, JobsLeftWaitingAreSentByTheNextRun) {
    ASSERT_TRUE(m_cupsd.AddQueue("quorva_next", true)) << m_cupsd.LastOutput();
    {
        PrintSpool::Settings settings;
        settings.printerOnly = true;
        auto spool = MakeSpool(settings);
        m_cupsd.Stop();
        Print(*spool, "From the last shift", "Left over");
        spool->Drain();
        EXPECT_EQ(spool->Waiting(), 1u);
    } // the run ends with the job in the spool
    EXPECT_TRUE(m_log.Has("stay in the spool")) << m_log.All();
    ASSERT_EQ(FileNames(m_project / "Print" / "Spool", ".pdf").size(), 1u);

    ASSERT_EQ(m_cupsd.Start(), "");
    auto spool = MakeSpool();
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 0u) << m_log.All();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_next", 1), std::vector<std::string>{"Left over"});
    EXPECT_NE(PdfText(m_cupsd.Output("quorva_next")).find("From the last shift"),
              std::string::npos);
}

TEST_F(PrintSpoolCups, WithoutAnyPrinterJobsBecomeFilesUnlessAPrinterIsRequired) {
    // CUPS runs but has no queue.
    {
        auto spool = MakeSpool();
        EXPECT_TRUE(spool->Printers().empty());
        Print(*spool, "No printer", "Filed");
        spool->Drain();
        EXPECT_EQ(FileNames(m_project / "Print", ".pdf").size(), 1u) << m_log.All();
        EXPECT_TRUE(m_log.Has("CUPS has no printer")) << m_log.All();
    }
    PrintSpool::Settings settings;
    settings.printerOnly = true;
    auto spool = MakeSpool(settings);
    Print(*spool, "Needs a printer", "Waits");
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 1u);
    EXPECT_EQ(FileNames(m_project / "Print", ".pdf").size(), 1u);
    // A printer appears: the job goes to it.
    ASSERT_TRUE(m_cupsd.AddQueue("quorva_late", true)) << m_cupsd.LastOutput();
    spool->RetryNow();
    spool->Drain();
    EXPECT_EQ(spool->Waiting(), 0u) << m_log.All();
    EXPECT_EQ(m_cupsd.CompletedTitles("quorva_late", 1), std::vector<std::string>{"Waits"});
}
