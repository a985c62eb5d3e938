// norvique.exe started as a process and driven through a long run of queries,
// pages with the marker and without it by turns, the information box found by
// its caption and closed each time: the process must hold no more GDI and
// USER objects, kernel handles, threads, windows or private memory at the end
// than after a short warm-up, and the window must still answer. Under Wine,
// which counts no GDI or USER objects and no handles for a process, the Unix
// process behind the program is measured too.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "tests/app/win32/driver.h"
#include "tests/support/page_server.h"

namespace norvique::test {
namespace {

// Queries before the first reading: the first ones load WinINet's DLLs, open
// the root handle, fill the heap's free lists and the message box's class and
// font caches, which is growth that happens once, not per query.
constexpr int kWarmUpQueries = 20;
constexpr int kQueries = 200;

// Private bytes and resident pages move in whole pages, and the heap keeps
// freed blocks for reuse or gives them back only now and then; a handful of
// pages is noise, while a leak of 400 bytes a query would go past it.
constexpr long long kMemorySlackBytes = 20 * 4096;
// Wine 8's WinINet itself keeps about 400 bytes more after every request
// (a program of nothing but InternetOpenUrlA, InternetReadFile and
// InternetCloseHandle on one thread shows it too), which is allowed for
// under Wine on top of the slack.
constexpr long long kWineWinInetBytesPerRequest = 512;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct SearchCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
using Search = std::unique_ptr<void, SearchCloser>;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The first entry of a directory search, or none.
Search FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
    HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    return Search(search == INVALID_HANDLE_VALUE ? nullptr : search);
}

// The end time of 1368346611 + offset as the window shows it: 2013-05-12
// 16:16:51 in UTC+8 plus less than a day, with the time fields that are zero
// at the end left out.
std::wstring ShownEndTime(int offset) {
    const int seconds = 16 * 3600 + 16 * 60 + 51 + offset;
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int second = seconds % 60;
    std::wstring text = L"2013年5月12日" + std::to_wstring(hour) + L"时";
    if (minute != 0 || second != 0) {
        text += std::to_wstring(minute) + L"分";
    }
    if (second != 0) {
        text += std::to_wstring(second) + L"秒";
    }
    return text;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Under Wine, norvique.exe's windows are left unmanaged while the test runs.
// The test display has no window manager, and Wine waits two seconds for one
// whenever a managed window such as the information box goes away, which
// would make the run last minutes. What the program allocates is the same
// either way. The prefix is the test session's own and made anew each run.
class UnmanagedWindowsUnderWine {
  public:
    UnmanagedWindowsUnderWine() {
        if (!UnderWine()) {
            return;
        }
        HKEY created = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &created, nullptr) != ERROR_SUCCESS) {
            return;
        }
        const Key key(created);
        const wchar_t no[] = L"N";
        set_ = RegSetValueExW(key.get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no),
                              sizeof no) == ERROR_SUCCESS;
    }
    ~UnmanagedWindowsUnderWine() {
        if (set_) {
            RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
        }
    }
    UnmanagedWindowsUnderWine(const UnmanagedWindowsUnderWine&) = delete;
    UnmanagedWindowsUnderWine& operator=(const UnmanagedWindowsUnderWine&) = delete;

  private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\norvique.exe\\X11 Driver";
    bool set_ = false;
};

// -1 stands for a figure that this system does not give.
struct Reading {
    long long gdiObjects = -1;
    long long userObjects = -1;
    long long kernelHandles = -1;
    long long privateBytes = -1;
    long long threads = -1;
    long long windows = -1;  // top-level windows of the process and their children
    // The Unix process that runs the program under Wine.
    long long unixResidentBytes = -1;  // anonymous resident memory
    long long unixThreads = -1;
    long long unixOpenFiles = -1;
};

std::string FileText(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Wine maps the Unix root as drive Z:, /proc included. The program's Unix
// process is the one whose command line names norvique.exe and that runs in
// this test's own prefix; empty when there is not exactly one.
std::wstring UnixProcessDirectory() {
    char prefix[MAX_PATH] = {};
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH) == 0) {
        return {};
    }
    const std::string ownPrefix = std::string("WINEPREFIX=") + prefix + '\0';
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    const Search search = FindFirst(L"Z:\\proc\\*", entry);
    if (!search) {
        return {};
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) {
            continue;
        }
        const std::wstring directory = L"Z:\\proc\\" + name + L"\\";
        if (FileText(directory + L"cmdline").find("norvique.exe") != std::string::npos &&
            FileText(directory + L"environ").find(ownPrefix) != std::string::npos) {
            found.push_back(directory);
        }
    } while (FindNextFileW(search.get(), &entry));
    return found.size() == 1 ? found.front() : std::wstring();
}

// "<name>:   <number> kB" of a /proc status file, in bytes; -1 when missing.
long long StatusField(const std::string& status, std::string_view name) {
    std::istringstream lines(status);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 &&
            line[name.size()] == ':') {
            const long long value = std::stoll(line.substr(name.size() + 1));
            return line.find("kB") == std::string::npos ? value : value * 1024;
        }
    }
    return -1;
}

void MeasureUnixProcess(const std::wstring& directory, Reading& reading) {
    if (directory.empty()) {
        return;
    }
    const std::string status = FileText(directory + L"status");
    reading.unixResidentBytes = StatusField(status, "RssAnon");
    reading.unixThreads = StatusField(status, "Threads");
    WIN32_FIND_DATAW entry{};
    const Search search = FindFirst(directory + L"fd\\*", entry);
    if (!search) {
        return;
    }
    reading.unixOpenFiles = 0;
    do {
        if (entry.cFileName[0] != L'.') {
            ++reading.unixOpenFiles;
        }
    } while (FindNextFileW(search.get(), &entry));
}

long long ThreadsOf(DWORD processId) {
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        return -1;
    }
    long long count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == processId) {
            ++count;
        }
    }
    return count;
}

long long WindowsOf(DWORD processId) {
    struct Count {
        DWORD processId;
        long long windows;
    } count{processId, 0};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Count& c = *reinterpret_cast<Count*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == c.processId) {
                ++c.windows;
                EnumChildWindows(
                    window,
                    [](HWND, LPARAM inner) -> BOOL {
                        ++*reinterpret_cast<long long*>(inner);
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&c.windows));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

Reading Measure(HANDLE process, DWORD processId, const std::wstring& unixProcess) {
    Reading reading;
    // Wine 8 has GetGuiResources as a stub that fails with
    // ERROR_CALL_NOT_IMPLEMENTED, and reports no handles for any process.
    SetLastError(ERROR_SUCCESS);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        reading.gdiObjects = gdi;
        reading.userObjects = user;
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && !(UnderWine() && handles == 0)) {
        reading.kernelHandles = handles;
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        // Wine leaves PrivateUsage at zero but fills PagefileUsage, which is
        // the same commit charge on Windows.
        reading.privateBytes = static_cast<long long>(
            memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage);
    }
    reading.threads = ThreadsOf(processId);
    reading.windows = WindowsOf(processId);
    MeasureUnixProcess(unixProcess, reading);
    return reading;
}

// A figure that this system does not give is left unchecked.
void ExpectNoGrowth(const char* what, long long before, long long after, long long slack = 0) {
    if (before < 0 || after < 0) {
        std::printf("%s: not available here\n", what);
        return;
    }
    EXPECT_LE(after, before + slack) << what << " grew from " << before << " to " << after;
}

void Print(const char* when, const Reading& r) {
    std::printf(
        "%s (-1: not available): %lld GDI objects, %lld USER objects, %lld kernel handles, "
        "%lld private bytes, %lld threads, %lld windows; Unix process: %lld bytes anonymous "
        "resident, %lld threads, %lld open files\n",
        when, r.gdiObjects, r.userObjects, r.kernelHandles, r.privateBytes, r.threads, r.windows,
        r.unixResidentBytes, r.unixThreads, r.unixOpenFiles);
    std::fflush(stdout);
}

class NorviqueStress : public testing::Test {
  protected:
    void SetUp() override {
        main_ = norvique_.WaitForWindow(L"WTWindow", L"Norvique");
        ASSERT_NE(main_, nullptr);
        children_ = Children(main_);
        ASSERT_EQ(children_.size(), 7u);
    }

    HWND Box(std::size_t which) const { return children_[which]; }

    // Query `number` of the run: even numbers read a page with the marker and
    // its own end time, odd ones the page without it. The address is set as
    // a paste would set it, the click is the one a mouse or the Space key
    // gives the button. False, with the reason, at the first thing amiss.
    testing::AssertionResult Query(int number) {
        const bool found = number % 2 == 0;
        const std::wstring shownBefore = TextOf(Box(k编辑框2));
        const std::wstring address =
            WidenAscii(found ? server_.Http("/ends/" + std::to_string(1368346611 + number))
                             : server_.Http("/missing"));
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(Box(k编辑框1), WM_SETTEXT, 0,
                                 reinterpret_cast<LPARAM>(address.c_str()), SMTO_ABORTIFHUNG,
                                 kWaitMilliseconds, &result)) {
            return testing::AssertionFailure() << "query " << number << ": 编辑框1 did not answer";
        }
        // Posted: the click runs the query, and with it a modal box, before
        // its handler returns.
        PostMessageW(Box(k按钮1), BM_CLICK, 0, 0);
        if (found) {
            const std::wstring expected = ShownEndTime(number);
            if (!WaitUntil([&] { return TextOf(Box(k编辑框2)) == expected; })) {
                return testing::AssertionFailure() << "query " << number << ": 编辑框2 shows "
                                                   << testing::PrintToString(TextOf(Box(k编辑框2)));
            }
        } else {
            HWND information = norvique_.WaitForWindow(L"#32770", L"信息：");
            if (information == nullptr) {
                return testing::AssertionFailure() << "query " << number << ": no box";
            }
            if (ReadMessageBox(information).text != L"请检查网址是否正确") {
                return testing::AssertionFailure() << "query " << number << ": the box's text";
            }
            if (!CloseMessageBox(information)) {
                return testing::AssertionFailure() << "query " << number << ": the box stayed";
            }
            if (TextOf(Box(k编辑框2)) != shownBefore) {
                return testing::AssertionFailure() << "query " << number << ": 编辑框2 changed";
            }
        }
        // The box took the input away from the window while it was open.
        if (!WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; })) {
            return testing::AssertionFailure() << "query " << number << ": the window stays off";
        }
        if (TextOf(Box(k编辑框1)) != address) {
            return testing::AssertionFailure() << "query " << number << ": 编辑框1 changed";
        }
        return testing::AssertionSuccess();
    }

    const PageServer server_ = PageServer::FromEnvironment();
    // Before the program starts: Wine reads the setting then.
    const UnmanagedWindowsUnderWine unmanaged_;
    Program norvique_{WindowsPath(NORVIQUE_EXE)};
    HWND main_ = nullptr;
    std::vector<HWND> children_;
};

TEST_F(NorviqueStress, QueriesHoldNothingBackAndTheWindowStillAnswers) {
    const Handle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, norvique_.id()));
    ASSERT_NE(process.get(), nullptr);
    const std::wstring unixProcess = UnderWine() ? UnixProcessDirectory() : std::wstring();
    for (int number = 0; number < kWarmUpQueries; ++number) {
        ASSERT_TRUE(Query(number));
    }
    const Reading before = Measure(process.get(), norvique_.id(), unixProcess);
    for (int number = kWarmUpQueries; number < kWarmUpQueries + kQueries; ++number) {
        ASSERT_TRUE(Query(number));
    }
    const Reading after = Measure(process.get(), norvique_.id(), unixProcess);
    Print("after the warm-up", before);
    Print(("after " + std::to_string(kQueries) + " more queries").c_str(), after);

    ExpectNoGrowth("GDI objects", before.gdiObjects, after.gdiObjects);
    ExpectNoGrowth("USER objects", before.userObjects, after.userObjects);
    ExpectNoGrowth("kernel handles", before.kernelHandles, after.kernelHandles);
    const long long memorySlack =
        kMemorySlackBytes + (UnderWine() ? kWineWinInetBytesPerRequest * kQueries : 0);
    ExpectNoGrowth("private bytes", before.privateBytes, after.privateBytes, memorySlack);
    ExpectNoGrowth("threads", before.threads, after.threads);
    EXPECT_EQ(after.windows, before.windows);
    if (UnderWine()) {
        EXPECT_FALSE(unixProcess.empty()) << "the program's Unix process was not found";
    }
    ExpectNoGrowth("Unix resident memory", before.unixResidentBytes, after.unixResidentBytes,
                   memorySlack);
    ExpectNoGrowth("Unix threads", before.unixThreads, after.unixThreads);
    ExpectNoGrowth("Unix open files", before.unixOpenFiles, after.unixOpenFiles);

    // Still answering: the window gives its caption, 按钮2 empties both
    // boxes, one more query shows its time, and Esc ends the program.
    EXPECT_EQ(TextOf(main_), L"Norvique");
    PostMessageW(Box(k按钮2), BM_CLICK, 0, 0);
    EXPECT_TRUE(
        WaitUntil([&] { return TextOf(Box(k编辑框1)).empty() && TextOf(Box(k编辑框2)).empty(); }));
    EXPECT_TRUE(Query(0));
    // Posted to the box rather than typed: it passes through the program's
    // message loop all the same, whichever window the desktop holds in front
    // after a hundred boxes.
    PostMessageW(Box(k编辑框1), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(norvique_.WaitForExit(), 0u);
}

}  // namespace
}  // namespace norvique::test
