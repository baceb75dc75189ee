#include "metatrader/navigator.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "metatrader/terminal_conventions.h"
#include "win32/ascii_case.h"
#include "win32/decimal_text.h"
#include "win32/handles.h"

namespace {

struct TerminalSearch {
    std::wstring wanted;
    std::vector<std::wstring>& list;
};

BOOL CALLBACK CollectTerminal(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TerminalSearch*>(context);
    if (IsWindowVisible(window)) {
        wchar_t name[255];
        const int length = GetClassNameW(window, name, 255);
        if (AsciiLower(std::wstring(name, length > 0 ? length : 0)) == search->wanted)
            search->list.push_back(TerminalWindowEntry(window));
    }
    return TRUE;
}

}  // namespace

std::wstring TerminalWindowEntry(HWND window) {
    return DecimalText(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window)));
}

void FindTerminalWindows(std::vector<std::wstring>& list) {
    list.clear();
    TerminalSearch search{AsciiLower(terminal::kMainWindowClass), list};
    // Top-level windows in z-order, front to back. A GetWindow walk can loop forever while
    // windows come and go; the enumeration cannot.
    EnumWindows(CollectTerminal, reinterpret_cast<LPARAM>(&search));
}

HWND TerminalWindowFromEntry(const std::wstring& entry) {
    if (entry.empty() || entry.size() > 10) return nullptr;
    std::uint64_t value = 0;
    for (wchar_t c : entry) {
        if (c < L'0' || c > L'9') return nullptr;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    if (value > 0xFFFFFFFFull) return nullptr;
    // Window handles are sign-extended 32-bit values in every process.
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))));
}

std::vector<BYTE> EncodeItemRecord(bool target64, std::uint64_t item, std::uint64_t textAddress, int textMax) {
    std::vector<BYTE> record(target64 ? 56 : 40, 0);
    auto put32 = [&](size_t offset, std::uint32_t value) { std::memcpy(&record[offset], &value, 4); };
    auto put64 = [&](size_t offset, std::uint64_t value) { std::memcpy(&record[offset], &value, 8); };
    put32(0, TVIF_TEXT);  // mask
    if (target64) {       // mask, pad, hItem, state, stateMask, pszText, cchTextMax, ...
        put64(8, item);
        put64(24, textAddress);
        put32(32, static_cast<std::uint32_t>(textMax));
    } else {              // ten 4-byte fields: mask, hItem, state, stateMask, pszText, cchTextMax, ...
        put32(4, static_cast<std::uint32_t>(item));
        put32(16, static_cast<std::uint32_t>(textAddress));
        put32(20, static_cast<std::uint32_t>(textMax));
    }
    return record;
}

bool RemoteBlockFits(bool target64, std::uint64_t address, std::uint64_t size) {
    return target64 || (address <= 0xFFFFFFFFull && size <= 0x100000000ull - address);
}

namespace {

constexpr int kTextUnits = 256;
constexpr int kTextMax = 255;

// A block of memory inside another process, released when the object goes.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    void* get() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

// Talks to one terminal's tree. Every message is bounded, and so is the whole talk: after
// one message goes unanswered, or once the deadline has passed, the terminal is given up.
class TreeSession {
public:
    TreeSession(HWND tree, ULONGLONG deadlineMs) : tree_(tree), deadline_(GetTickCount64() + deadlineMs) {}

    bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline_) givenUp_ = true;
        if (givenUp_) return false;
        const UINT timeout = static_cast<UINT>(std::min<ULONGLONG>(kTerminalMessageTimeoutMs, deadline_ - now));
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeout, &answer)) {
            if (GetLastError() == ERROR_TIMEOUT || !IsWindow(window)) givenUp_ = true;
            return false;
        }
        if (result) *result = static_cast<LRESULT>(answer);
        return true;
    }
    LRESULT TreeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        LRESULT result = 0;
        return Send(tree_, message, wParam, lParam, &result) ? result : 0;
    }
    std::uint64_t NextItem(UINT relation, std::uint64_t item) {
        return static_cast<std::uint64_t>(TreeMessage(TVM_GETNEXTITEM, relation, static_cast<LPARAM>(item)));
    }
    void GiveUp() { givenUp_ = true; }
    bool GivenUp() const { return givenUp_; }

private:
    HWND tree_;
    ULONGLONG deadline_;
    bool givenUp_ = false;
};

bool TargetIs64Bit(HANDLE process) {
#ifdef _WIN64
    BOOL wow64 = FALSE;
    return IsWow64Process(process, &wow64) && !wow64;
#else
    (void)process;
    return false;  // a 32-bit wizard drives 32-bit terminals only
#endif
}

}  // namespace

int RefreshNavigator(HWND terminalWindow, std::uint8_t groupIndex, const std::wstring& itemName,
                     const NavigatorBounds& bounds, NavigatorAim aim) {
    const bool select = aim == NavigatorAim::Select;
    HWND container = terminalWindow ? GetDlgItem(terminalWindow, terminal::kNavigatorContainerId) : nullptr;
    HWND panel = container ? GetDlgItem(container, terminal::kNavigatorPanelId) : nullptr;
    HWND tree = panel ? GetDlgItem(panel, terminal::kNavigatorTreeId) : nullptr;
    if (!tree) return kNavigatorMissing;

    TreeSession session(tree, bounds.deadlineMs);
    if (select && !(GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE))
        session.Send(terminalWindow, WM_COMMAND, terminal::kShowNavigatorCommand, 0);
    session.Send(tree, WM_COMMAND, terminal::kRefreshNavigatorCommand, 0);
    if (session.GivenUp()) return kNavigatorNotAnswering;

    DWORD processId = 0;
    GetWindowThreadProcessId(tree, &processId);
#ifdef _WIN64
    constexpr DWORD kAccess = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION;
#else
    constexpr DWORD kAccess = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;  // 56
#endif
    UniqueHandle process(OpenProcess(kAccess, FALSE, processId));
    if (!process) return kNavigatorNoAccess;

    const bool target64 = TargetIs64Bit(process.get());
    RemoteBlock text(process.get(), kTextUnits * sizeof(wchar_t));
    if (!text.get()) return kNavigatorDone;
    const size_t recordSize = target64 ? 56 : 40;
    RemoteBlock record(process.get(), recordSize);
    if (!record.get()) return kNavigatorDone;
    const auto textAddress = static_cast<std::uint64_t>(reinterpret_cast<UINT_PTR>(text.get()));
    const auto recordAddress = static_cast<std::uint64_t>(reinterpret_cast<UINT_PTR>(record.get()));
    if (!RemoteBlockFits(target64, textAddress, kTextUnits * sizeof(wchar_t)) ||
        !RemoteBlockFits(target64, recordAddress, recordSize))
        return kNavigatorNotAnswering;

    wchar_t local[kTextUnits];
    unsigned fetches = 0;
    auto fetch = [&](std::uint64_t item) {
        if (++fetches > bounds.itemCap) {  // a tree that never ends
            session.GiveUp();
            return false;
        }
        const std::vector<BYTE> bytes = EncodeItemRecord(target64, item, textAddress, kTextMax);
        LRESULT got = 0;
        return WriteProcessMemory(process.get(), record.get(), bytes.data(), bytes.size(), nullptr) &&
               session.Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(record.get()), &got) && got &&
               ReadProcessMemory(process.get(), text.get(), local, sizeof local, nullptr);
    };
    auto localText = [&] { return std::wstring(local, std::find(local, local + kTextUnits, L'\0')); };

    int result = kNavigatorDone;
    const std::uint64_t root = session.NextItem(TVGN_ROOT, 0);
    std::uint64_t group = session.NextItem(TVGN_CHILD, root);
    for (unsigned counter = 0; fetch(group); ++counter) {
        if (counter == groupIndex) {
            if (select) session.TreeMessage(TVM_EXPAND, TVE_EXPAND | TVE_EXPANDPARTIAL, static_cast<LPARAM>(group));
            for (std::uint64_t item = session.NextItem(TVGN_CHILD, group);; item = session.NextItem(TVGN_NEXT, item)) {
                if (!fetch(item)) {
                    result = select ? kNavigatorItemNotFound : kNavigatorDone;
                    break;
                }
                if (localText() == itemName) {
                    if (select)
                        session.TreeMessage(TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(item));
                    else
                        result = kNavigatorStillListed;
                    break;
                }
            }
            if (!select) break;  // nothing to collapse: the groups after it need no look
        } else if (select) {
            session.TreeMessage(TVM_EXPAND, TVE_COLLAPSE, static_cast<LPARAM>(group));
        }
        group = session.NextItem(TVGN_NEXT, group);
    }
    return session.GivenUp() ? kNavigatorNotAnswering : result;
}

std::vector<TerminalRefresh> RefreshRunningTerminals(const std::wstring& itemName, ULONGLONG totalMs,
                                                     NavigatorAim aim) {
    const ULONGLONG deadline = GetTickCount64() + totalMs;
    std::vector<std::wstring> windows;
    FindTerminalWindows(windows);
    std::vector<TerminalRefresh> results;
    // One terminal's time is one process's: all its windows share it, so that a process with
    // many slow windows cannot keep the terminals behind it from their turn.
    struct Process {
        DWORD id;
        unsigned windows;
        ULONGLONG deadline;
    };
    std::vector<Process> processes;
    for (const std::wstring& entry : windows) {
        const HWND window = TerminalWindowFromEntry(entry);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        const ULONGLONG now = GetTickCount64();
        auto process = std::find_if(processes.begin(), processes.end(), [&](const Process& p) { return p.id == processId; });
        if (process == processes.end())
            process = processes.insert(process, {processId, 0u, now + NavigatorBounds{}.deadlineMs});
        const unsigned ordinal = ++process->windows;
        const ULONGLONG end = std::min(process->deadline, deadline);
        const NavigatorBounds bounds{NavigatorBounds{}.itemCap, end > now ? end - now : 0};
        const bool passedOver = bounds.deadlineMs == 0 || ordinal > kTerminalWindowsPerProcess;
        results.push_back({window, passedOver ? kNavigatorNotAnswering
                                              : RefreshNavigator(window, terminal::kExpertGroup, itemName, bounds, aim)});
    }
    return results;
}
