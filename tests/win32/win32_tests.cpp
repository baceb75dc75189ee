// The Windows helpers every other part stands on: text decoding, files and folders, shell
// folders, the signed-in user, the logoff hold.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <sddl.h>

#include <algorithm>
#include <thread>

#include "file_helpers.h"
#include "process_helpers.h"
#include "win32/account.h"
#include "win32/ascii_text.h"
#include "win32/ascii_case.h"
#include "win32/command_line.h"
#include "win32/decimal_text.h"
#include "win32/dpi.h"
#include "win32/embedded_resource.h"
#include "win32/end_session_hold.h"
#include "win32/folder_browser.h"
#include "win32/folder_list.h"
#include "win32/folder_walk.h"
#include "win32/held_folder.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "win32/signed_in_user.h"
#include "win32/system_functions.h"
#include "win32/text_decoding.h"
#include "win32/user_profiles.h"

namespace {

std::optional<std::wstring> Decode(const std::string& bytes, UINT codePage = 1252) {
    return DecodeText({reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, codePage);
}

std::span<const BYTE> Bytes(const std::string& text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

// A wide character is never taken for the single byte it ends in, nor a name for its beginning.
TEST(AsciiText, ComparesWholeCharactersAndWholeNames) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"/silent", true}, {L"/silen", false}, {L"/silents", false}, {L"", false},
        {L"/\u0173ilent", false}, {L"/SILENT", false}};
    for (const auto& [text, same] : cases) EXPECT_EQ(EqualsAscii(text, "/silent"), same);
    EXPECT_TRUE(EqualsAscii(L"", ""));
    EXPECT_FALSE(EqualsAscii(std::wstring(L"/silent\0", 8), "/silent"));
    EXPECT_EQ(ChildPath(Widened("C:\\MT4"), L"MQL4"), L"C:\\MT4\\MQL4");
}

TEST(DecimalText, SpellsEveryWidthOfNumber) {
    const std::pair<std::uint64_t, const wchar_t*> cases[] = {
        {0, L"0"}, {9, L"9"}, {10, L"10"}, {65535, L"65535"}, {65536, L"65536"}, {4294967295u, L"4294967295"},
        {4294967296u, L"4294967296"}, {1000000000000000007u, L"1000000000000000007"},
        {18446744073709551615u, L"18446744073709551615"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(DecimalText(value), text);
    std::wstring line = L"code ";
    AppendDecimal(line, 42);
    EXPECT_EQ(line, L"code 42");
    // The largest divisor it takes, and the log's milliseconds: without and with a remainder.
    std::uint32_t rest = 1;
    EXPECT_EQ(DividedBy(18446744073709551615u, 65535, &rest), 281479271743489u);
    EXPECT_EQ(rest, 0u);
    EXPECT_EQ(DividedBy(123456789012345678u, 10000, &rest), 12345678901234u);
    EXPECT_EQ(rest, 5678u);
}

TEST(ScaledRounded, RoundsAsMulDivDoesAtEveryScaling) {
    for (int value : {-461, -50, -13, -5, -2, -1, 0, 1, 2, 3, 5, 13, 37, 52, 459, 533})
        for (UINT dpi : {96u, 108u, 120u, 144u, 168u, 192u, 240u, 288u, 480u})
            for (int denominator : {72, 96})
                EXPECT_EQ(ScaledRounded(value, dpi, denominator), MulDiv(value, static_cast<int>(dpi), denominator))
                    << value << " at " << dpi << " / " << denominator;
}

TEST(AppendUtf8, AppendsEveryPlaneAndNothingForNothing) {
    std::string bytes = "\xEF\xBB\xBF";
    EXPECT_TRUE(AppendUtf8(bytes, L""));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF");
    EXPECT_TRUE(AppendUtf8(bytes, L"a\u00E9\u20AC\U0001F600"));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(DecodeText, FollowsTheByteOrderMarkOrElseTheAnsiCodePage) {
    const std::wstring path = L"C:\\Program Files\\MetaTrader 4 – Größe";
    EXPECT_EQ(Decode(Utf16Le(path, true)), path);
    EXPECT_EQ(Decode(Utf16Be(path)), path);
    EXPECT_EQ(Decode(Utf8(path, true)), path);
    EXPECT_EQ(Decode(Ansi(path, 1252), 1252), path);
    EXPECT_EQ(Decode("\xC0\xEF\xEA\xE0", 1251), L"Апка");
    EXPECT_EQ(Decode("\xC0\xEF\xEA\xE0", 1252), L"Àïêà");
    // Without a mark, UTF-16 is read as ANSI text: it never names the folder.
    EXPECT_NE(Decode(Utf16Le(path, false)), path);
    // UTF-8 without a mark is ANSI text too.
    EXPECT_EQ(Decode("Gr\xC3\xB6\xC3\x9F" "e", 1252), L"GrÃ¶ÃŸe");
}

TEST(DecodeText, KeepsEverythingAndFailsOnlyOnInvalidUtf8) {
    EXPECT_EQ(Decode(Utf16Le(L"C:\\MT4\r\n", true)), L"C:\\MT4\r\n");
    EXPECT_EQ(Decode(" C:\\MT4 \t"), L" C:\\MT4 \t");
    EXPECT_EQ(Decode(""), L"");
    EXPECT_EQ(Decode("\xFF\xFE"), L"");
    EXPECT_EQ(Decode("\xFE\xFF"), L"");
    EXPECT_EQ(Decode("\xEF\xBB\xBF"), L"");
    EXPECT_EQ(Decode(std::string("\xFF\xFE" "A\0B", 5)), L"A");  // an odd last byte is dropped
    EXPECT_EQ(Decode("\xEF\xBB\xBF" "C:\\\xC3(bad"), std::nullopt);
    EXPECT_EQ(Decode("\xEF\xBB\xBF" "C:\\\xED\xA0\x80"), std::nullopt);  // an encoded surrogate
}

TEST(ReadTextFile, ReadsWholeFilesAndRefusesUnreadableOrOversizedOnes) {
    TempTree tree;
    EXPECT_EQ(ReadTextFile(tree.File(L"a.txt", Utf16Le(L"C:\\MT4", true))), L"C:\\MT4");
    EXPECT_EQ(ReadTextFile(tree.File(L"empty.txt", "")), L"");
    EXPECT_EQ(ReadTextFile(tree.Path(L"missing.txt")), std::nullopt);
    EXPECT_EQ(ReadTextFile(tree.Folder(L"folder.txt")), std::nullopt);

    const std::wstring big = tree.File(L"big.txt", std::string(64 * 1024 + 1, 'x'));
    EXPECT_EQ(ReadTextFile(big), std::nullopt);
    EXPECT_EQ(ReadTextFile(tree.File(L"limit.txt", std::string(64 * 1024, 'x')))->size(), 64u * 1024);

    const std::wstring locked = tree.File(L"locked.txt", "C:\\MT4");
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadTextFile(locked), std::nullopt);
    CloseHandle(holder);
    EXPECT_EQ(ReadTextFile(locked), L"C:\\MT4");
}

TEST(ListSubFolders, ListsImmediateFoldersOnlyWhateverTheirAttributes) {
    TempTree tree;
    tree.Folder(L"root\\One\\Nested");
    tree.Folder(L"root\\Two");
    const std::wstring hidden = tree.Folder(L"root\\Hidden");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.File(L"root\\file.txt", "x");

    std::vector<std::wstring> names = {L"stale"};
    ListSubFolders(tree.Path(L"root"), names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Hidden", L"One", L"Two"}));

    std::vector<std::wstring> withSlash;
    ListSubFolders(tree.Path(L"root") + L"\\", withSlash);
    EXPECT_EQ(withSlash.size(), 3u);

    ListSubFolders(tree.Path(L"missing"), names);
    EXPECT_TRUE(names.empty());
}

TEST(SameFolderIgnoringCase, ComparesCodeUnitsIgnoringCaseOnlyWhateverTheLocale) {
    struct Case {
        const wchar_t *a, *b;
        bool same;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\MT4", L"c:\\PROGRAM FILES\\mt4", true},
        {L"C:\\\u0422\u0435\u0440\u043c", L"C:\\\u0422\u0415\u0420\u041c", true},  // Cyrillic case
        {L"C:\\M\u00ADT4", L"C:\\MT4", false},  // a soft hyphen is a name of its own on disk
        {L"C:\\Stra\u00DFe", L"C:\\Strasse", false},
        {L"C:\\MT4", L"C:\\MT4\\", false},
    };
    for (const Case& c : cases) EXPECT_EQ(SameFolderIgnoringCase(c.a, c.b), c.same) << "case " << (&c - cases);
}

// A data root with installations and data folders whose markers the tests write.
TEST(WriteFileReplacing, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    TempTree tree;
    const std::wstring target = tree.File(L"Experts\\Mervane 4.ex4", std::string(100000, 'o'));
    EXPECT_TRUE(WriteFileReplacing(target, Bytes("new expert")));
    EXPECT_EQ(ReadBytes(target), "new expert");
    // An empty payload, as a resource that could not be loaded gives, is a failed write.
    EXPECT_FALSE(WriteFileReplacing(target, Bytes("")));
    EXPECT_FALSE(WriteFileReplacing(tree.Path(L"Experts\\second.ex4"), Bytes("")));
    EXPECT_EQ(ReadBytes(target), "new expert");
    EXPECT_EQ(FolderEntries(tree.Path(L"Experts")), std::vector<std::wstring>{L"Mervane 4.ex4"});

    // A file at a drive's root goes there, not into the current folder on that drive.
    const std::wstring atRoot = tree.Root().substr(0, 3) + L"mervane-" + std::to_wstring(GetCurrentProcessId());
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(tree.Folder(L"Current").c_str());
    EXPECT_TRUE(WriteFileReplacing(atRoot, Bytes("at the root")));
    SetCurrentDirectoryW(current);
    EXPECT_EQ(ReadBytes(atRoot), "at the root");
    DeleteFileW(atRoot.c_str());
    EXPECT_TRUE(FolderEntries(tree.Path(L"Current")).empty());
}

TEST(WriteFileReplacing, RemovesWhatAKilledRunLeftButNotAnotherRunsOpenFileNorOtherNames) {
    TempTree tree;
    tree.File(L"Experts\\~mv40123456789abcdef0123456789abcdef.tmp", "left by a killed run");
    const std::wstring open = tree.File(L"Experts\\~mv4fedcba9876543210fedcba9876543210.tmp", "being written");
    tree.File(L"Experts\\~mv4 a file of the user's.tmp", "the user's");
    tree.File(L"Experts\\~mv40123456789abcdef0123456789abcdeg.tmp", "the user's");
    HANDLE writer = CreateFileW(open.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteFileReplacing(tree.Path(L"Experts\\Mervane 4.ex4"), Bytes("expert")));
    CloseHandle(writer);
    std::vector<std::wstring> entries = FolderEntries(tree.Path(L"Experts"));
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Mervane 4.ex4", L"~mv4 a file of the user's.tmp",
                                                  L"~mv40123456789abcdef0123456789abcdeg.tmp",
                                                  L"~mv4fedcba9876543210fedcba9876543210.tmp"}));
}

TEST(WriteFileReplacing, AHardLinkAtTheTargetIsReplacedNotWrittenThrough) {
    TempTree tree;
    const std::wstring elsewhere = tree.File(L"System\\precious.dll", "precious");
    const std::wstring target = tree.Folder(L"Experts") + L"\\Mervane 4.ex4";
    ASSERT_TRUE(CreateHardLinkW(target.c_str(), elsewhere.c_str(), nullptr));
    EXPECT_TRUE(WriteFileReplacing(target, Bytes("expert")));
    EXPECT_EQ(ReadBytes(target), "expert");
    EXPECT_EQ(ReadBytes(elsewhere), "precious");
}

TEST(WriteFileReplacing, AFileThatCannotBeReplacedStaysAsItWas) {
    TempTree tree;
    const std::wstring readOnly = tree.File(L"Experts\\read-only.ex4", "old read-only");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WriteFileReplacing(readOnly, Bytes("new")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "the reason, for the log";
    EXPECT_EQ(ReadBytes(readOnly), "old read-only");
    // Also where the folder lists in more than one batch, of which the write reads the first.
    for (int i = 0; i < 100; ++i) tree.File(L"Crowded\\" + std::wstring(200, static_cast<wchar_t>(L'a' + i % 26)) + std::to_wstring(i), "");
    const std::wstring crowded = tree.File(L"Crowded\\read-only.ex4", "old");
    SetFileAttributesW(crowded.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WriteFileReplacing(crowded, Bytes("new")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // A terminal holding the file open: the rename fails, the old expert survives whole
    // and the temporary file is gone.
    const std::wstring held = tree.File(L"Experts\\held.ex4", "old held");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFileReplacing(held, Bytes("new")));
    const DWORD heldError = GetLastError();
    EXPECT_TRUE(heldError == ERROR_SHARING_VIOLATION || heldError == ERROR_ACCESS_DENIED) << heldError;
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(held), "old held");

    std::vector<std::wstring> left = FolderEntries(tree.Path(L"Experts"));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"held.ex4", L"read-only.ex4"}));
}

TEST(WriteFileReplacing, CreatesNoFolder) {
    TempTree tree;
    const std::wstring installation = tree.Folder(L"MetaTrader");
    EXPECT_FALSE(WriteFileReplacing(installation + L"\\MQL4\\Experts\\Mervane 4.ex4", Bytes("x")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(FolderEntries(installation).empty());
}

// The program's own token, duplicated for impersonation: under Wine there is no other user.
UniqueHandle OwnImpersonationToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) return {};
    const UniqueHandle process(own);
    return ImpersonationTokenOf(process.get());
}

TEST(Impersonation, IsTakenAndRevertedOnTheCallingThreadOnly) {
    const UniqueHandle token = OwnImpersonationToken();
    ASSERT_TRUE(token);
    EXPECT_FALSE(ImpersonationTokenOf(nullptr));
    EXPECT_FALSE(ThreadImpersonates());
    {
        const Impersonation nobody(nullptr);
        EXPECT_FALSE(nobody.Active());
        EXPECT_FALSE(ThreadImpersonates());
    }
    {
        const Impersonation asUser(token.get());
        EXPECT_TRUE(asUser.Active());
        EXPECT_TRUE(ThreadImpersonates());
        bool otherThread = true;
        std::thread([&] { otherThread = ThreadImpersonates(); }).join();
        EXPECT_FALSE(otherThread);
    }
    EXPECT_FALSE(ThreadImpersonates());
}

TEST(WriteFileReplacing, ByItselfWritesOnlyIntoTheFolderNamedAndAsTheUserWhereTheLinkLeads) {
    TempTree tree;
    const std::wstring elsewhere = tree.Folder(L"Elsewhere"), experts = tree.Folder(L"Terminal\\MQL4\\Experts");
    const FolderLink link(experts, elsewhere);
    ASSERT_TRUE(link.Made());
    std::wstring ledTo;
    EXPECT_FALSE(WriteFileReplacing(experts + L"\\Mervane 4.ex4", Bytes("expert"), &ledTo));
    EXPECT_EQ(GetLastError(), kErrorFolderLeadsElsewhere);
    EXPECT_EQ(ledTo, elsewhere);
    EXPECT_TRUE(FolderEntries(elsewhere).empty()) << "not even a temporary file";

    // The folder named by other spellings is still the folder named.
    wchar_t shortName[MAX_PATH];
    const DWORD length = GetShortPathNameW(elsewhere.c_str(), shortName, MAX_PATH);
    ASSERT_TRUE(length && length < MAX_PATH);
    std::wstring spelt = AsciiLower(shortName);
    std::replace(spelt.begin(), spelt.end(), L'\\', L'/');
    EXPECT_TRUE(WriteFileReplacing(spelt + L"/short.ex4", Bytes("short")));
    EXPECT_EQ(ReadBytes(elsewhere + L"\\short.ex4"), "short");
    EXPECT_TRUE(WriteFileReplacing(L"\\\\?\\" + elsewhere + L"\\long.ex4", Bytes("long")));  // as a registry may give it

    const UniqueHandle token = OwnImpersonationToken();
    const Impersonation asUser(token.get());
    ASSERT_TRUE(asUser.Active());
    EXPECT_TRUE(WriteFileReplacing(experts + L"\\Mervane 4.ex4", Bytes("expert")));
    EXPECT_EQ(ReadBytes(elsewhere + L"\\Mervane 4.ex4"), "expert");
}

TEST(OwnRights, APathWithALinkBelowItsRootNamesNothingAndNothingBehindTheLinkIsOpened) {
    TempTree tree;
    const std::wstring elsewhere = tree.Folder(L"Share");
    const std::wstring target = MakeInstallation(tree, L"Share\\MT4");
    const std::wstring linked = tree.Folder(L"Planted");
    const FolderLink link(linked, elsewhere);
    ASSERT_TRUE(link.Made());
    const std::wstring terminal = linked + L"\\MT4";
    std::wstring ledTo;
    EXPECT_FALSE(DirectoryExists(terminal + L"\\MQL4\\Experts"));
    EXPECT_FALSE(FileExists(terminal + L"\\terminal.exe"));
    EXPECT_FALSE(IdentityOf(terminal + L"\\terminal.exe"));
    EXPECT_FALSE(OpenFolderForListing(terminal));
    EXPECT_EQ(FolderAsOnDisk(AsciiLower(terminal)), AsciiLower(terminal)) << "not looked up behind the link";
    EXPECT_FALSE(WriteFileReplacing(terminal + L"\\MQL4\\Experts\\Mervane 4.ex4", Bytes("x"), &ledTo));
    EXPECT_EQ(GetLastError(), kErrorFolderLeadsElsewhere);
    EXPECT_EQ(ledTo, target + L"\\MQL4\\Experts") << "Wine names where a link leads";
    EXPECT_FALSE(DigestOfFile(terminal + L"\\terminal.exe"));
    EXPECT_EQ(GetLastError(), kErrorFolderLeadsElsewhere);
    // The link at the end of a path is itself: a linked experts folder is there, its files are not.
    EXPECT_TRUE(DirectoryExists(linked));
    EXPECT_TRUE(DirectoryExists(target + L"\\MQL4\\Experts"));
    EXPECT_TRUE(DirectoryExists(tree.Root().substr(0, 3)));

    const UniqueHandle token = OwnImpersonationToken();
    const Impersonation asUser(token.get());
    ASSERT_TRUE(asUser.Active());
    EXPECT_TRUE(DirectoryExists(terminal + L"\\MQL4\\Experts")) << "the user's rights bound what the user's link reaches";
    EXPECT_TRUE(FileExists(terminal + L"\\terminal.exe"));
}

TEST(OwnRights, AFolderHandedToTheWalksThatIsNotTheOneNamedLeadsNowhere) {
    TempTree tree;
    const std::wstring a = MakeInstallation(tree, L"A"), b = MakeInstallation(tree, L"B");
    {
        const ReusedWalks walks;
        {
            const UniqueHandle token = OwnImpersonationToken();
            const Impersonation asUser(token.get());
            ASSERT_TRUE(asUser.Active());
            KeepWalkedFolder(a, OpenFolderForListing(b));
        }
        EXPECT_TRUE(WriteFileReplacing(a + L"\\MQL4\\Experts\\Mervane 4.ex4", Bytes("x"))) << "what a user opened is not kept";
    }
    const ReusedWalks walks;
    KeepWalkedFolder(a, OpenFolderForListing(b));
    std::wstring ledTo;
    EXPECT_FALSE(WriteFileReplacing(a + L"\\MQL4\\Experts\\Mervane 4.ex4", Bytes("x"), &ledTo));
    EXPECT_EQ(GetLastError(), kErrorFolderLeadsElsewhere) << "the walk ends with the final-path check";
    EXPECT_EQ(ledTo, b + L"\\MQL4\\Experts");
    EXPECT_EQ(FolderEntries(b + L"\\MQL4\\Experts"), std::vector<std::wstring>{});
}

TEST(OwnRights, WalksBelowKeptFoldersAnswerAsWalksFromTheRootAndKeepNothingAfterwards) {
    TempTree tree;
    const std::wstring a = MakeInstallation(tree, L"Share\\A"), b = MakeInstallation(tree, L"Share\\B");
    const FolderLink link(tree.Folder(L"Share\\Planted"), a);
    ASSERT_TRUE(link.Made());
    // Neighbours, then a link and what lies behind it, a missing name, files, the drive's root.
    const std::wstring paths[] = {a + L"\\MQL4\\Experts", b + L"\\MQL4\\Experts", b + L"\\MQL4\\Files\\",
                                  tree.Path(L"Share\\Planted\\MQL4"), tree.Path(L"Share\\Planted"), a + L"\\MQL4\\Gone\\X",
                                  a + L"\\terminal.exe", b + L"\\terminal.exe\\X", a + L"\\MQL4", tree.Root().substr(0, 3)};
    auto walkAll = [&] {
        std::wstring answers;
        for (const std::wstring& path : paths)
            for (bool lastMayBeLink : {false, true}) {
                std::wstring ledTo;
                const UniqueHandle opened = OpenWithoutLinks(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                                             lastMayBeLink, &ledTo);
                answers += (opened ? L"opened " : L"refused ") + std::to_wstring(opened ? 0 : GetLastError()) + L" " + ledTo + L"\n";
            }
        return answers;
    };
    const std::wstring fromTheRoot = walkAll();
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    {
        const ReusedWalks walks;
        EXPECT_EQ(walkAll(), fromTheRoot);
        EXPECT_EQ(walkAll(), fromTheRoot) << "the second time every walk starts below a kept folder";
    }
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handlesBefore);
}

TEST(RemoveFileByHandle, DeletesTheNameNeverWhatALinkThereLeadsTo) {
    TempTree tree;
    const std::wstring experts = tree.Folder(L"Experts");
    const std::wstring precious = tree.File(L"System\\precious.dll", "precious");
    const std::wstring other = tree.File(L"System\\other.dll", "other");
    const FolderLink expert(experts + L"\\Mervane 4.ex4", precious);
    const FolderLink left(experts + L"\\~mv40123456789abcdef0123456789abcdef.tmp", other);
    ASSERT_TRUE(expert.Made() && left.Made());
    std::wstring ledTo;
    EXPECT_EQ(RemoveFileByHandle(experts + L"\\Mervane 4.ex4", {}, &ledTo), Removal::Failed);
    EXPECT_EQ(GetLastError(), kErrorFileLeadsElsewhere);
    EXPECT_EQ(ledTo, precious);
    EXPECT_EQ(ReadBytes(precious), "precious");
    EXPECT_EQ(ReadBytes(other), "other") << "the sweep of left temporary files follows no link either";
    EXPECT_TRUE(WriteFileReplacing(experts + L"\\new.ex4", Bytes("new")));
    EXPECT_EQ(ReadBytes(other), "other");
    EXPECT_EQ(RemoveFileByHandle(experts + L"\\new.ex4"), Removal::Removed);
}

TEST(DigestOfFile, TellsNothingOfAFileWithOtherNamesOrThatIsNoPlainFile) {
    TempTree tree;
    const std::wstring experts = tree.Folder(L"Experts");
    const std::wstring secret = tree.File(L"Private\\secret.txt", "nobody else may read this");
    ASSERT_TRUE(CreateHardLinkW((experts + L"\\hard.ex4").c_str(), secret.c_str(), nullptr));
    const FolderLink soft(experts + L"\\soft.ex4", tree.File(L"Private\\other.txt", "nor this"));
    ASSERT_TRUE(soft.Made());
    tree.File(L"Experts\\plain.ex4", "abc");
    EXPECT_FALSE(DigestOfFile(experts + L"\\hard.ex4"));
    EXPECT_EQ(GetLastError(), kErrorFileHasOtherNames);
    EXPECT_FALSE(DigestOfFile(experts + L"\\soft.ex4"));
    EXPECT_EQ(GetLastError(), kErrorNotAPlainFile);
    const std::optional<FileDigest> plain = DigestOfFile(experts + L"\\plain.ex4");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size, 3u);
}

TEST(WriteFileReplacing, InAUsersFolderOnlyWhereThatUserCouldAddOrDeleteTheFileThemselves) {
    TempTree tree;
    const std::wstring folder = tree.Folder(L"System"), own = tree.Folder(L"Desktop");
    const std::wstring kept = tree.File(L"System\\kept.url", "kept");
    const UniqueHandle user = OwnImpersonationToken();
    ASSERT_TRUE(user);
    ASSERT_TRUE(GiveToAnotherUser(folder) && GiveToAnotherUser(kept));

    EXPECT_FALSE(WriteFileReplacing(folder + L"\\guide.url", Bytes("x"), nullptr, user.get()));
    EXPECT_EQ(GetLastError(), kErrorUserMayNot);
    EXPECT_EQ(RemoveFileByHandle(kept, {}, nullptr, user.get()), Removal::Failed);
    EXPECT_EQ(GetLastError(), kErrorUserMayNot);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>{L"kept.url"});
    EXPECT_TRUE(WriteFileReplacing(folder + L"\\guide.url", Bytes("x"))) << "the program by itself still may";
    EXPECT_TRUE(WriteFileReplacing(own + L"\\guide.url", Bytes("x"), nullptr, user.get()));
    EXPECT_EQ(RemoveFileByHandle(own + L"\\guide.url", {}, nullptr, user.get()), Removal::Removed);
}

TEST(ExtractResourceToFile, WritesTheEmbeddedBytesUnchanged) {
    HMODULE program = BuiltProgramResources();
    ASSERT_NE(program, nullptr);
    TempTree tree;
    const std::wstring target = tree.File(L"Experts\\Mervane 4.ex4", "an older expert");
    EXPECT_TRUE(ExtractResourceToFile(program, L"EXEFILE", L"EXPERT", target));
    std::span<const BYTE> expert = EmbeddedResource(program, L"EXEFILE", L"EXPERT");
    EXPECT_EQ(ReadBytes(target), std::string(reinterpret_cast<const char*>(expert.data()), expert.size()));

    EXPECT_FALSE(ExtractResourceToFile(program, L"EXEFILE", L"NO SUCH", tree.Path(L"Experts\\none")));
    EXPECT_EQ(ReadBytes(tree.Path(L"Experts\\none")), "<missing>");
}

TEST(SpecialFolders, ResolveToExistingFoldersAndUnknownOnesToNothing) {
    for (int csidl : {CSIDL_DESKTOP, CSIDL_APPDATA, CSIDL_PROGRAM_FILES}) {
        const std::wstring path = SpecialFolderPath(nullptr, csidl);
        EXPECT_FALSE(path.empty()) << csidl;
        EXPECT_TRUE(DirectoryExists(path)) << csidl;
    }
    EXPECT_EQ(SpecialFolderPath(nullptr, 0x7F), L"");

    // The signed-in user's folders: looked up with a token when that user is another
    // account, as their own otherwise (Wine has no shell window and one account).
    const UniqueHandle own = OwnProcessToken();
    for (int csidl : {CSIDL_DESKTOP, CSIDL_APPDATA}) {
        EXPECT_EQ(KnownFolderPathOf(own.get(), csidl), SpecialFolderPath(nullptr, csidl)) << csidl;
        EXPECT_EQ(SignedInUserFolderPath(nullptr, csidl), SpecialFolderPath(nullptr, csidl)) << csidl;
    }
    EXPECT_EQ(KnownFolderPathOf(own.get(), CSIDL_PROGRAM_FILES), L"");

    // Another account's folder is used only on a drive of this machine.
    EXPECT_TRUE(OnLocalDrive(SpecialFolderPath(nullptr, CSIDL_APPDATA)));
    for (const wchar_t* elsewhere : {L"\\\\server\\share\\AppData", L"C:", L"", L"\\\\?\\C:\\Users"})
        EXPECT_FALSE(OnLocalDrive(elsewhere));
}

TEST(RunningUnderWow64, IsTrueOnlyForA32BitProcessOn64BitWindows) {
    SYSTEM_INFO native{};
    GetNativeSystemInfo(&native);
    const bool os64 = native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
    // The suite's Windows is a 64-bit one, as traders' is: a 32-bit prefix would test the
    // 32-bit build off the registry and folder redirection it meets there.
    ASSERT_TRUE(os64) << "the tests' Wine prefix is not a 64-bit one";
    EXPECT_EQ(RunningUnderWow64(), sizeof(void*) == 4);
}

// A name misspelt, or a list of names out of step with its members, leaves a member empty or
// holding another function.
TEST(SystemFunctions, EveryNameIsFoundAndLandsInItsOwnMember) {
    auto address = [](const auto& function) {
        void* bytes;
        static_assert(sizeof function == sizeof bytes);
        memcpy(&bytes, &function, sizeof bytes);
        return bytes;
    };
    auto everyFound = [&](const auto& functions, const char* group) {
        void* slots[sizeof functions / sizeof(void*)];
        memcpy(slots, &functions, sizeof slots);
        for (size_t i = 0; i < std::size(slots); ++i) EXPECT_NE(slots[i], nullptr) << group << " member " << i;
    };
    everyFound(KernelApi(), "kernel32");
    everyFound(AdvapiApi(), "advapi32");
    everyFound(UserApi(), "user32");
    everyFound(NativeApi(), "ntdll");
    everyFound(CryptoApi(), "bcrypt");
    everyFound(CommonControlsApi(), "comctl32");
    everyFound(ShellApi(), "shell32, ole32, oleaut32");
    everyFound(AccessibilityApi(), "oleacc");
    everyFound(GdiplusApi(), "gdiplus");
    auto named = [](const wchar_t* library, const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(library), name));
    };
    EXPECT_EQ(address(KernelApi().isWow64Process), named(L"kernel32.dll", "IsWow64Process"));
    EXPECT_EQ(address(NativeApi().decompressBuffer), named(L"ntdll.dll", "RtlDecompressBuffer"));
    EXPECT_EQ(address(ShellApi().shellExecuteEx), named(L"shell32.dll", "ShellExecuteExW"));
    EXPECT_EQ(address(ShellApi().createStreamOnHGlobal), named(L"ole32.dll", "CreateStreamOnHGlobal"));
    EXPECT_EQ(address(ShellApi().sysFreeString), named(L"oleaut32.dll", "SysFreeString"));
    EXPECT_EQ(address(GdiplusApi().createHbitmap), named(L"gdiplus.dll", "GdipCreateHBITMAPFromBitmap"));
}

TEST(ChooseAddressRoute, DirectWithoutASplitTokenOrBesideAShellLikeTheWizardByTheShellBesideAnyOtherElseNot) {
    constexpr auto kDefault = TokenElevationTypeDefault, kFull = TokenElevationTypeFull,
                   kLimited = TokenElevationTypeLimited, kUnread = TOKEN_ELEVATION_TYPE{};
    constexpr auto kDirect = AddressRoute::Direct, kShell = AddressRoute::ThroughShell, kNot = AddressRoute::Nothing;
    struct Case {
        TOKEN_ELEVATION_TYPE elevation;
        bool shellWindow, shellAsOwnUser, shellAtOwnLevel;
        AddressRoute route;
    };
    const Case cases[] = {
        // UAC off or the built-in administrator: no token of the user lies below the wizard's;
        // but another account's desktop gets no browser of the wizard's account.
        {kDefault, false, false, false, kDirect},
        {kDefault, true, true, false, kDirect},
        {kDefault, true, false, false, kShell},
        {kDefault, true, false, true, kShell},
        // A split token beside a shell of the wizard's own user and level.
        {kFull, true, true, true, kDirect},
        {kLimited, true, true, true, kDirect},
        // Beside the user's shell below the wizard, or another account's.
        {kFull, true, true, false, kShell},
        {kFull, true, false, true, kShell},
        {kFull, true, false, false, kShell},
        {kUnread, true, false, false, kShell},
        // No shell to hand it to, and the user's own handler would run elevated.
        {kFull, false, false, false, kNot},
        {kFull, false, true, true, kNot},
        {kLimited, false, true, true, kNot},
        {kUnread, false, true, true, kNot},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseAddressRoute(c.elevation, c.shellWindow, c.shellAsOwnUser, c.shellAtOwnLevel), c.route)
            << c.elevation << c.shellWindow << c.shellAsOwnUser << c.shellAtOwnLevel;

    // What the choice reads from the tokens.
    const UniqueHandle own = OwnProcessToken();
    EXPECT_TRUE(SameElevation(own.get(), own.get()));
    EXPECT_FALSE(DifferentUsers(own.get(), own.get()));
    EXPECT_TRUE(SameUser(own.get(), own.get()));
    EXPECT_FALSE(SameUser(own.get(), nullptr));
    EXPECT_NE(ElevationTypeOf(own.get()), kUnread);
    EXPECT_EQ(ElevationTypeOf(nullptr), kUnread);
}

TEST(ChooseBrowserRoute, VerbsOpenOnlyWhereThePersonAtTheKeyboardIsTheOneWhoConsented) {
    constexpr auto kOpen = BrowserRoute::VerbsOpen, kClosed = BrowserRoute::VerbsClosed;
    struct Case {
        bool shellPresent, shellAsOwnAccount, tokenSplit;
        BrowserRoute route;
    };
    const Case cases[] = {
        {true, true, true, kOpen},     // the wizard's own account, at any level
        {true, true, false, kOpen},
        {true, false, true, kClosed},  // another account's desktop, or one not told
        {true, false, false, kClosed},
        {false, false, false, kOpen},  // no shell, no split token: the administrator is at the keyboard
        {false, false, true, kClosed}, // no shell to tell who is there
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseBrowserRoute(c.shellPresent, c.shellAsOwnAccount, c.tokenSplit), c.route)
            << c.shellPresent << c.shellAsOwnAccount << c.tokenSplit;
}

TEST(EndSessionHold, HoldsALogoffWhileAnyHoldLives) {
    HWND hidden = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(EndSessionHold::QueryEndSessionAnswer(), TRUE);
    {
        const EndSessionHold outer(hidden, L"Installing");
        { const EndSessionHold inner(hidden, L"Installing"); }
        EXPECT_EQ(EndSessionHold::QueryEndSessionAnswer(), FALSE);
    }
    EXPECT_EQ(EndSessionHold::QueryEndSessionAnswer(), TRUE);
    DestroyWindow(hidden);
}

TEST(EndSessionHold, AnEndingSessionWaitsForTheWriteInFlightAndRefusesTheNext) {
    // The writer sends to a window of the waiting thread mid-write, as the installation job
    // sends the logoff hold: a wait that took no sent message would never see the write end.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(EndSessionHold::BeginWrite()) << "a session that goes on refuses no write";
    bool refusedAfter = false;
    std::thread writer([&] {
        Sleep(300);
        SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"sent"));
        Sleep(100);
        EndSessionHold::EndWrite();
        refusedAfter = !EndSessionHold::BeginWrite();
    });
    EndSessionHold::NoteEndSession(TRUE);
    const ULONGLONG start = GetTickCount64();
    EndSessionHold::AwaitWriteInFlight(5000);
    const ULONGLONG waited = GetTickCount64() - start;
    writer.join();
    EXPECT_GE(waited, 390u) << "answered before the write in flight had ended";
    EXPECT_LT(waited, 3000u);
    EXPECT_EQ(WindowText(window), L"sent");
    EXPECT_TRUE(refusedAfter);

    // A write that never ends holds the answer no longer than asked.
    EndSessionHold::NoteEndSession(FALSE);
    ASSERT_TRUE(EndSessionHold::BeginWrite());
    EndSessionHold::NoteEndSession(TRUE);
    const ULONGLONG stuck = GetTickCount64();
    EndSessionHold::AwaitWriteInFlight(300);
    const ULONGLONG held = GetTickCount64() - stuck;
    EXPECT_GE(held, 300u);
    EXPECT_LT(held, 1500u);
    EndSessionHold::EndWrite();
    EndSessionHold::NoteEndSession(FALSE);
    DestroyWindow(window);
}

TEST(CommandLineArguments, TakeTheEnginesDoubledBackslashAndThePromptsSingleOne) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> arguments;
    };
    const Case cases[] = {
        // Ansible, PowerShell 7, .NET and Python double a backslash before a closing quote.
        {LR"(setup.exe "/scan=D:\My Terminals\\" /silent)", {LR"(/scan=D:\My Terminals\)", L"/silent"}},
        {LR"(setup.exe "/folder=C:\MT4\\\\" x)", {LR"(/folder=C:\MT4\\)", L"x"}},
        // A command prompt's single one still ends the quote, as it always has.
        {LR"(setup.exe /folder="C:\MT4\" /silent)", {LR"(/folder=C:\MT4\)", L"/silent"}},
        {LR"(setup.exe "/folder=C:\MT4\\\" x)", {LR"(/folder=C:\MT4\\\)", L"x"}},
        // Backslashes anywhere else stand as written: a share, a doubled one inside a name.
        {LR"(setup.exe "/folder=\\server\share" /log=C:\a\\b)", {LR"(/folder=\\server\share)", LR"(/log=C:\a\\b)"}},
        {LR"(setup.exe C:\\ "")", {LR"(C:\\)", L""}},
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> read = CommandLineArguments(c.line);
        EXPECT_EQ(read, c.arguments) << "case " << &c - cases;
    }
}

// What Wine cannot show, LocalSystem and session 0, decided on the account's facts.
TEST(RunningAccount, SystemOrSessionZeroMeansEveryProfileAndAWindowOnlyWhereSomeoneSeesIt) {
    EXPECT_TRUE(ImpliesAllUsers({L"NT AUTHORITY\\SYSTEM", L"S-1-5-18", 0, true}));
    EXPECT_TRUE(ImpliesAllUsers({L"HOST\\deploy", L"S-1-5-21-1-2-3-500", 0, false}));  // WinRM, a service
    EXPECT_TRUE(ImpliesAllUsers({L"NT AUTHORITY\\SYSTEM", L"S-1-5-18", 2, true}));      // SYSTEM on a desktop
    EXPECT_FALSE(ImpliesAllUsers({L"HOST\\trader", L"S-1-5-21-1-2-3-1001", 1, false}));
    EXPECT_FALSE(SomeoneCanAnswer(0, true));
    EXPECT_FALSE(SomeoneCanAnswer(1, false));
    EXPECT_TRUE(SomeoneCanAnswer(1, true));
}

// The account's SID as text and its name as Windows spells them: the SID decides LocalSystem.
TEST(RunningAccount, SidAndNameAsWindowsSpellsThem) {
    HANDLE opened = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened));
    const UniqueHandle token(opened);
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size));
    wchar_t* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
    const RunningAccount account = CurrentAccount();
    EXPECT_EQ(account.sid, sid);
    LocalFree(sid);
    wchar_t name[256];
    DWORD length = 256;
    ASSERT_TRUE(GetUserNameW(name, &length));
    EXPECT_TRUE(account.name == name || account.name.ends_with(L"\\" + std::wstring(name)));
}

TEST(UserProfiles, ServiceAccountsFoldersMissingOrElsewhereAndAUsersOwnVariablesArePassedOver) {
    auto local = [](const std::wstring& path) { return path.size() > 2 && path[1] == L':' && path[0] != L'N'; };
    struct Case {
        ProfileFacts facts;
        const wchar_t* why;
        const wchar_t* appData;
    };
    const Case cases[] = {
        {{L"S-1-5-21-1-2-3-1001", L"C:\\Users\\ann", true, L""}, L"", L"C:\\Users\\ann\\AppData\\Roaming"},
        // The user's loaded hive moved the data, expanded against that profile, not SYSTEM's.
        {{L"S-1-5-21-1-2-3-1002", L"C:\\Users\\bob\\", true, L"%UserProfile%\\Roaming Data"}, L"",
         L"C:\\Users\\bob\\Roaming Data"},
        {{L"S-1-5-21-1-2-3-1003", L"C:\\Users\\cy", true, L"D:\\Data\\cy"}, L"", L"D:\\Data\\cy"},
        {{L"S-1-5-18", L"C:\\Windows\\system32\\config\\systemprofile", true, L""}, L"a service account", L""},
        {{L"S-1-5-19", L"C:\\Windows\\ServiceProfiles\\LocalService", true, L""}, L"a service account", L""},
        {{L"S-1-5-20", L"C:\\Windows\\ServiceProfiles\\NetworkService", true, L""}, L"a service account", L""},
        {{L"S-1-5-21-1-2-3-1004", L"C:\\Users\\gone", false, L""}, L"the profile folder is missing", L""},
        {{L"S-1-5-21-1-2-3-1005", L"", false, L""}, L"no profile folder is recorded", L""},
        {{L"S-1-5-21-1-2-3-1006", L"\\\\server\\profiles\\dan", true, L""},
         L"the profile folder is not on a drive of this machine", L""},
        {{L"S-1-5-21-1-2-3-1007", L"C:\\Users\\eve", true, L"\\\\server\\redirected\\eve"},
         L"its application-data folder, \\\\server\\redirected\\eve, is not on a drive of this machine", L""},
        {{L"S-1-5-21-1-2-3-1008", L"C:\\Users\\fay", true, L"N:\\fay"},
         L"its application-data folder, N:\\fay, is not on a drive of this machine", L""},
        {{L"S-1-5-21-1-2-3-1009", L"C:\\Users\\gus", true, L"%HOMEDRIVE%%HOMEPATH%\\AppData"},
         L"its application-data folder, %HOMEDRIVE%%HOMEPATH%\\AppData, names a variable of that user's", L""},
        {{L"S-1-5-21-1-2-3-1010", L"C:\\Users\\hal", true, L"%USERPROFILE%\\%"},
         L"its application-data folder, %USERPROFILE%\\%, names a variable of that user's", L""},
        {{L"S-1-5-21-1-2-3-1011.bak", L"C:\\Users\\ann", true, L""}, L"a backup of another profile's entry", L""},
    };
    for (const Case& c : cases) {
        std::wstring appData = L"stale";
        EXPECT_EQ(WhyProfilePassedOver(c.facts, local, appData), c.why) << "case " << &c - cases;
        EXPECT_EQ(appData, c.appData) << "case " << &c - cases;
    }
}

}  // namespace
