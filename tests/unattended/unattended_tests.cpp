// One file for the silent run: its switches, log, inventory and removal are all checked through
// the same program started with a command line and the same stand-in machine.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>

#include "machine.h"
#include "metatrader/navigator.h"
#include "metatrader/product_registration.h"
#include "metatrader/terminal_discovery.h"
#include "process_helpers.h"
#include "resources/resource_names.h"
#include "standin_driver.h"
#include "texts/agreement.h"
#include "unattended/inventory.h"
#include "unattended/run_log.h"
#include "unattended/switches.h"
#include "unattended/unattended_run.h"
#include "unattended/usage.h"
#include "win32/ascii_case.h"
#include "win32/ascii_text.h"
#include "win32/embedded_resource.h"
#include "win32/held_folder.h"
#include "win32/path_rules.h"
#include "win32/sha256.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"
#include "wizard/wizard_ids.h"
#include "wizard_driver.h"

// Declared by the platform's SDK, not by MinGW's headers.
extern "C" BOOL WINAPI SetShellWindow(HWND window);

namespace {

// ---- the switches

TEST(Switches, OnlySilentOrItsToolNamesAnywhereMakeASilentRun) {
    EXPECT_FALSE(AsksForSilentRun({}));
    EXPECT_FALSE(AsksForSilentRun({L"/de", L"/accept-agreement", L"/log=C:\\log.txt"}));
    EXPECT_FALSE(AsksForSilentRun({L"/silent=yes", L"silent", L"-silent", L"/S=1", L"-s", L"/verysilentx"}));
    EXPECT_FALSE(AsksForSilentRun({L"/SUPPRESSMSGBOXES", L"/?"}));
    EXPECT_TRUE(AsksForSilentRun({L"/ru", L"/folder=C:\\MT4", L"/SiLeNt"}));
    EXPECT_TRUE(AsksForSilentRun({L"/accept-agreement", L"/s"}));
    EXPECT_TRUE(AsksForSilentRun({L"/VerySilent"}));
    // What agents pass: msiexec's spellings.
    for (const wchar_t* agents : {L"/quiet", L"/QN", L"/q"}) EXPECT_TRUE(AsksForSilentRun({agents})) << Narrow(agents);
    EXPECT_FALSE(AsksForSilentRun({L"/passive", L"/norestart", L"/qb", L"/quieter"}));
    EXPECT_TRUE(AsksForPassiveRun({L"/de", L"/PASSIVE"}));
    EXPECT_FALSE(AsksForPassiveRun({L"/passive=1", L"/silent"}));
    EXPECT_TRUE(AsksForRemoval({L"/en", L"/ReMoVe"}));
    EXPECT_FALSE(AsksForRemoval({L"/remove=1", L"/removes", L"/silent"}));
    // The summary only for /? alone: beside anything else it would hide what a script asked for.
    EXPECT_TRUE(AsksForUsage({L"/?"}));
    EXPECT_TRUE(AsksForUsage({L"/Help"}));
    EXPECT_FALSE(AsksForUsage({L"/help", L"/silent"}));
    EXPECT_FALSE(AsksForUsage({L"/de", L"/?"}));
    EXPECT_FALSE(AsksForUsage({L"/?", L"/silent"}));
    EXPECT_FALSE(AsksForUsage({L"/??"}));
}

TEST(Switches, NamesIgnoreCaseValuesStayAsGivenFoldersRepeat) {
    const UnattendedSwitches read =
        ReadSwitches({L"/DE", L"/SILENT", L"/Accept-Agreement", L"/skip-REGISTRY", L"/FOLDER=C:\\Program Files\\MT4 A\\",
                      L"/folder=\\\\server\\Share\\mt4", L"/Log=D:\\Logs\\Setup.LOG", L"/folder=c:\\x=y"});
    EXPECT_EQ(read.usageError, L"");
    EXPECT_TRUE(read.acceptAgreement);
    EXPECT_TRUE(read.skipRegistry);
    EXPECT_EQ(read.folders,
              (std::vector<std::wstring>{L"C:\\Program Files\\MT4 A\\", L"\\\\server\\Share\\mt4", L"c:\\x=y"}));
    EXPECT_EQ(read.logPath, L"D:\\Logs\\Setup.LOG");
    EXPECT_EQ(read.agreementPath, L"");

    const UnattendedSwitches bare = ReadSwitches({L"/silent", L"/agreement=C:\\eula.txt"});
    EXPECT_EQ(bare.usageError, L"");
    EXPECT_FALSE(bare.acceptAgreement || bare.skipRegistry || bare.allUsers || bare.passive);
    EXPECT_EQ(bare.agreementPath, L"C:\\eula.txt");

    // Each switch fills its own field, whatever the others.
    const UnattendedSwitches removal = ReadSwitches({L"/silent", L"/Remove", L"/scan=C:\\A", L"/SCAN=D:\\B"});
    EXPECT_EQ(removal.usageError, L"");
    EXPECT_TRUE(removal.remove);
    EXPECT_FALSE(removal.acceptAgreement || removal.skipRegistry || removal.allUsers || removal.passive);
    EXPECT_EQ(removal.scanRoots, (std::vector<std::wstring>{L"C:\\A", L"D:\\B"}));
    EXPECT_TRUE(removal.folders.empty() && removal.logPath.empty() && removal.statusPath.empty());
    const UnattendedSwitches status = ReadSwitches({L"/Passive", L"/status=C:\\s.json"});
    EXPECT_TRUE(status.passive);
    EXPECT_FALSE(status.remove);
    EXPECT_EQ(status.statusPath, L"C:\\s.json");
    EXPECT_TRUE(status.agreementPath.empty() && status.scanRoots.empty());

    // An agent's /LOG alone: the running account's temporary folder.
    const UnattendedSwitches agent = ReadSwitches({L"/qn", L"/LOG", L"/ALL-USERS", L"/accept-agreement"});
    EXPECT_EQ(agent.usageError, L"");
    EXPECT_TRUE(agent.allUsers);
    wchar_t temp[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, temp));
    EXPECT_EQ(agent.logPath, WithoutTrailingSeparator(temp) + L"\\Mervane4Setup.log");
}

TEST(Switches, RefuseWhatAScriptCannotHaveMeant) {
    struct Case {
        std::vector<std::wstring> arguments;
        const wchar_t* why;
    };
    const Case cases[] = {
        {{L"/silent", L"/bogus"}, L"unknown switch \"/bogus\""},
        {{L"/silent", L"C:\\MT4"}, L"unknown switch \"C:\\MT4\""},
        {{L"/silent=yes"}, L"unknown switch \"/silent=yes\""},
        {{L"/silent", L"/accept-agreement=no"}, L"unknown switch \"/accept-agreement=no\""},
        {{L"/silent", L"/log="}, L"\"/log=\": the switch needs a value, /log=PATH"},
        {{L"/silent", L"/FOLDER="}, L"\"/FOLDER=\": the switch needs a value, /folder=PATH"},
        {{L"/silent", L"/agreement"}, L"\"/agreement\": the switch needs a value, /agreement=PATH"},
        // The elevated program's current folder is not the script's: relative paths are refused.
        {{L"/silent", L"/folder=MT4"}, L"\"/folder=MT4\": the path must be a full one, C:\\... or \\\\server\\..."},
        {{L"/silent", L"/folder=C:MT4"}, L"\"/folder=C:MT4\": the path must be a full one, C:\\... or \\\\server\\..."},
        {{L"/silent", L"/log=\\logs\\x"}, L"\"/log=\\logs\\x\": the path must be a full one, C:\\... or \\\\server\\..."},
        {{L"/silent", L"/log=C:\\a", L"/LOG=C:\\b"}, L"\"/LOG=C:\\b\": the switch is given twice"},
        {{L"/silent", L"/folder=\\\\?\\C:\\MT4"},
         L"\"/folder=\\\\?\\C:\\MT4\": a device path is not taken, give C:\\... or \\\\server\\..."},
        {{L"/silent", L"/log=\\\\localhost\\pipe\\x"},
         L"\"/log=\\\\localhost\\pipe\\x\": a device path is not taken, give C:\\... or \\\\server\\..."},
        {{L"/silent", L"/folder=//host/MailSlot/x"},
         L"\"/folder=//host/MailSlot/x\": a device path is not taken, give C:\\... or \\\\server\\..."},
        {{L"/silent", L"/log=\\\\server\\share"}, L"\"/log=\\\\server\\share\": the path names a folder, not a file"},
        // A server without a share is the current drive's root.
        {{L"/silent", L"/log=\\\\name"}, L"\"/log=\\\\name\": the path must be a full one, C:\\... or \\\\server\\..."},
        {{L"/silent", L"/agreement=\\\\server\\"},
         L"\"/agreement=\\\\server\\\": the path must be a full one, C:\\... or \\\\server\\..."},
        // Names Windows would change, or open as something else than the file spelt.
        {{L"/silent", L"/log=C:\\Logs\\log.txt."},
         L"\"/log=C:\\Logs\\log.txt.\": a name in the path ends with a dot or a blank, which Windows would drop"},
        {{L"/silent", L"/log=C:\\Logs \\log.txt"},
         L"\"/log=C:\\Logs \\log.txt\": a name in the path ends with a dot or a blank, which Windows would drop"},
        {{L"/silent", L"/folder=C:\\MT4\\..\\MT5"},
         L"\"/folder=C:\\MT4\\..\\MT5\": a name in the path ends with a dot or a blank, which Windows would drop"},
        {{L"/silent", L"/log=C:\\Logs\\NUL"}, L"\"/log=C:\\Logs\\NUL\": \"NUL\" is the name of a device"},
        {{L"/silent", L"/agreement=C:\\com1.txt"}, L"\"/agreement=C:\\com1.txt\": \"com1.txt\" is the name of a device"},
        {{L"/silent", L"/log=C:\\Aux .log.txt"}, L"\"/log=C:\\Aux .log.txt\": \"Aux .log.txt\" is the name of a device"},
        {{L"/silent", L"/folder=C:\\LPT9\\MT4"}, L"\"/folder=C:\\LPT9\\MT4\": \"LPT9\" is the name of a device"},
        {{L"/silent", L"/log=C:\\CONOUT$"}, L"\"/log=C:\\CONOUT$\": \"CONOUT$\" is the name of a device"},
        {{L"/silent", L"/log=C:\\COM\u00B2.log"}, L"\"/log=C:\\COM\u00B2.log\": \"COM\u00B2.log\" is the name of a device"},
        {{L"/silent", L"/log=C:\\log.txt:hidden"},
         L"\"/log=C:\\log.txt:hidden\": a colon after the drive names a stream, not a file"},
        {{L"/silent", L"/log=C:\\log?.txt"},
         L"\"/log=C:\\log?.txt\": a name in the path holds a character that Windows does not allow in names"},
        // The log is written last: it must not replace a file that the run wrote, nor the agreement.
        {{L"/silent", L"/log=C:\\Logs\\"}, L"\"/log=C:\\Logs\\\": the path names a folder, not a file"},
        {{L"/silent", L"/log=C:\\MT4\\MQL4\\Experts\\mervane 4.EX4"},
         L"\"/log=C:\\MT4\\MQL4\\Experts\\mervane 4.EX4\": the file would replace one that the installation writes"},
        {{L"/silent", L"/agreement=C:\\a.txt", L"/log=c:\\A.TXT"}, L"/log= and /agreement= name the same file"},
        // An export installs nothing, so it cannot stand beside the switches of an installation.
        {{L"/silent", L"/accept-agreement", L"/agreement=C:\\eula.txt"},
         L"/agreement= only exports the agreement: install in a run of its own"},
        // Consent in the chosen language: a later language switch would choose nothing.
        {{L"/silent", L"/de", L"/accept-agreement"}, L"\"/de\": a language switch must be the first argument"},
        {{L"/ru", L"/silent", L"/RU"}, L"\"/RU\": a language switch must be the first argument"},
        // The first of several faults is the one reported.
        {{L"/silent", L"/x", L"/y"}, L"unknown switch \"/x\""},
        // The names deployment tools try: taken in any letter case, beside each other or alone.
        {{L"/S", L"/VERYSILENT", L"/SUPPRESSMSGBOXES", L"/accept-agreement"}, L""},
        {{L"/verysilent", L"/suppressmsgboxes", L"/x"}, L"unknown switch \"/x\""},
        {{L"/s", L"/SUPPRESSMSGBOXES=1"}, L"unknown switch \"/SUPPRESSMSGBOXES=1\""},
        // In a silent run /? is no request for the summary, whose box nobody would close.
        {{L"/S", L"/?"}, L"unknown switch \"/?\""},
        // A name that only begins or ends like a switch's is none.
        {{L"/si", L"/accept-agreement"}, L"unknown switch \"/si\""},
        {{L"/silent", L"/logs"}, L"unknown switch \"/logs\""},
        {{L"/silent", L"/lo=C:\\x.log"}, L"unknown switch \"/lo=C:\\x.log\""},
        {{L"/silent", L"/remove-"}, L"unknown switch \"/remove-\""},
        // The inventory and the removal write nothing of an installation's, so no consent goes
        // with them, nor each other; a scan root is a path like the others.
        {{L"/silent", L"/status=C:\\s.json", L"/accept-agreement"},
         L"/status= only writes the inventory: install or remove in a run of its own"},
        {{L"/silent", L"/remove", L"/STATUS=C:\\s.json"},
         L"/status= only writes the inventory: install or remove in a run of its own"},
        {{L"/silent", L"/accept-agreement", L"/Remove"}, L"/remove installs nothing and needs no /accept-agreement"},
        {{L"/silent", L"/agreement=C:\\eula.txt", L"/scan=C:\\MT4"},
         L"/agreement= only exports the agreement: install in a run of its own"},
        {{L"/silent", L"/status=C:\\a.json", L"/log=c:\\A.JSON"}, L"/log= and /status= name the same file"},
        {{L"/silent", L"/status=C:\\MT4\\MQL4\\Experts\\Mervane 4.ex4"},
         L"\"/status=C:\\MT4\\MQL4\\Experts\\Mervane 4.ex4\": the file would replace one that the installation writes"},
        {{L"/silent", L"/scan=Terminals"}, L"\"/scan=Terminals\": the path must be a full one, C:\\... or \\\\server\\..."},
        {{L"/silent", L"/remove", L"/scan=C:\\T", L"/scan"}, L"\"/scan\": the switch needs a value, /scan=PATH"},
        {{L"/silent", L"/remove", L"/skip-registry", L"/scan=C:\\T", L"/SCAN=D:\\T", L"/folder=C:\\MT4",
          L"/log=C:\\r.log"},
         L""},
        // Agents' switches: accepted, and nothing more; /all-users beside every other run.
        {{L"/quiet", L"/NORESTART", L"/norestart", L"/SP-", L"/accept-agreement", L"/All-Users"}, L""},
        {{L"/q", L"/all-users", L"/status=C:\\s.json"}, L""},
        {{L"/qn", L"/norestart=1"}, L"unknown switch \"/norestart=1\""},
        {{L"/qn", L"/LOG", L"/log=C:\\x.log"}, L"\"/log=C:\\x.log\": the switch is given twice"},
        {{L"/qn", L"/log=C:\\x.log", L"/Log"}, L"\"/Log\": the switch is given twice"},
        {{L"/passive", L"/accept-agreement", L"/folder=C:\\MT4", L"/log=C:\\p.log"}, L""},
        {{L"/passive", L"/quiet", L"/accept-agreement"},
         L"/passive shows the installation and /silent shows nothing: give one of them"},
        {{L"/passive", L"/status=C:\\s.json"}, L"/passive only installs: run /agreement=, /status= or /remove with /silent"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadSwitches(c.arguments).usageError, c.why) << Narrow(c.why);
    EXPECT_EQ(ReadSwitches({L"/silent", L"/folder=C:/MT4", L"/folder=//server/mt4", L"/folder=C:\\COM10\\console",
                            L"/log=\\\\server\\share\\.con-log.txt"})
                  .usageError,
              L"");
}

TEST(RunLog, EveryLineShowsWhatItSaysAndNoMore) {
    struct Case {
        const wchar_t* given;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\MT4 \u0410\U0001F600", L"C:\\Program Files\\MT4 \u0410\U0001F600"},  // kept whole
        {L"a\r\nexit code 0\tb", L"a  exit code 0 b"},
        {L"a\u0085b\u2028c\u2029d", L"a b c d"},                   // line and paragraph breaks
        {L"C:\\\u202Egol.exe", L"C:\\ gol.exe"},                   // right-to-left override
        {L"a\u200Bb\uFEFFc\u00ADd\u2066e", L"a b c d e"},          // invisible formatting
        {L"tag\U000E0041s", L"tag s"},                              // one blank for two units
        {L"\u007F\u009F", L"  "},
    };
    for (const Case& c : cases) EXPECT_EQ(OneLogLine(c.given), c.shown) << Narrow(c.shown);
}

TEST(Inventory, StringsAreUtf8WithWhatJsonMustEscapeUnpairedSurrogatesAndHiddenCharactersEscaped) {
    struct Case {
        std::wstring given;
        std::string json;
    };
    const Case cases[] = {
        {L"C:\\MT4 \"A\"", "\"C:\\\\MT4 \\\"A\\\"\""},
        {L"a\r\n\x01" L"b\x7F", "\"a\\u000d\\u000a\\u0001b\\u007f\""},
        {L"a\u0085b\u2028c\u2029d\u202Ee\u200Bf\uFEFF", "\"a\\u0085b\\u2028c\\u2029d\\u202ee\\u200bf\\ufeff\""},
        {L"tag\U000E0041s", "\"tag\\udb40\\udc41s\""},  // a hidden pair as its two units
        {L"\u0410\U0001F600", "\"\xD0\x90\xF0\x9F\x98\x80\""},
        {std::wstring(L"x\xD800y") + L'\xDC00', "\"x\\ud800y\\udc00\""},  // each alone, however they stand
        {std::wstring(1, L'\xDBFF'), "\"\\udbff\""},
        {L"", "\"\""},
    };
    for (const Case& c : cases) EXPECT_EQ(JsonString(c.given), c.json) << c.json;
}

// A JSON document read back as a tree: enough of JSON for the status file.
struct Json {
    enum Kind { Null, Boolean, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::wstring text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json& operator[](const std::string& key) const {
        static const Json missing;
        for (const auto& [name, value] : members)
            if (name == key) return value;
        return missing;
    }
    // The first item whose member `key` is the string `value`.
    const Json& Where(const std::string& key, const std::wstring& value) const {
        static const Json missing;
        for (const Json& item : items)
            if (item[key].text == value) return item;
        return missing;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}
    // Nothing (Null with `ok` false) when the text is not one JSON value.
    Json Read(bool& ok) {
        Json value = Value();
        Blanks();
        ok = ok_ && at_ == text_.size();
        return value;
    }

private:
    void Blanks() {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_])) ++at_;
    }
    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
        return false;
    }
    bool Word(const char* word) {
        if (text_.compare(at_, std::strlen(word), word) != 0) return false;
        at_ += std::strlen(word);
        return true;
    }
    std::wstring Text() {
        std::string utf8;
        std::wstring units;
        auto flush = [&] { units += Wide(utf8), utf8.clear(); };
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] != '\\') {
                utf8 += text_[at_++];
                continue;
            }
            flush();
            const char e = text_[++at_];
            ++at_;
            if (e == 'u') {
                units += static_cast<wchar_t>(std::stoi(text_.substr(at_, 4), nullptr, 16));
                at_ += 4;
            } else {
                units += e == 'n' ? L'\n' : e == 't' ? L'\t' : e == 'r' ? L'\r' : static_cast<wchar_t>(e);
            }
        }
        flush();
        ok_ = ok_ && Take('"');
        return units;
    }
    static std::wstring Wide(const std::string& utf8) {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                        wide.data(), static_cast<int>(wide.size())));
        return wide;
    }
    Json Value() {
        Json value;
        Blanks();
        if (Take('{')) {
            value.kind = Json::Object;
            if (Take('}')) return value;
            do {
                ok_ = ok_ && Take('"');
                const std::wstring name = Text();
                ok_ = ok_ && Take(':');
                value.members.emplace_back(std::string(name.begin(), name.end()), Value());
            } while (ok_ && Take(','));
            ok_ = ok_ && Take('}');
        } else if (Take('[')) {
            value.kind = Json::Array;
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (ok_ && Take(','));
            ok_ = ok_ && Take(']');
        } else if (Take('"')) {
            value.kind = Json::String;
            value.text = Text();
        } else if (Word("true") || Word("false")) {
            value.kind = Json::Boolean;
            value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
        } else if (Word("null")) {
        } else {
            size_t used = 0;
            value.kind = Json::Number;
            value.number = at_ < text_.size() ? std::stod(text_.substr(at_), &used) : 0;
            ok_ = ok_ && used > 0;
            at_ += used;
        }
        return value;
    }

    const std::string& text_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Where `value` breaks `schema`, or empty: the part of JSON Schema that the status file's
// schema uses (type, const, enum, required, properties, additionalProperties, items, minItems,
// minimum, pattern).
std::string SchemaBreach(const Json& value, const Json& schema, const std::string& at = "$") {
    auto isType = [&](const std::wstring& type) {
        return (type == L"object" && value.kind == Json::Object) || (type == L"array" && value.kind == Json::Array) ||
               (type == L"string" && value.kind == Json::String) || (type == L"boolean" && value.kind == Json::Boolean) ||
               (type == L"null" && value.kind == Json::Null) || (type == L"number" && value.kind == Json::Number) ||
               (type == L"integer" && value.kind == Json::Number && value.number == static_cast<long long>(value.number));
    };
    auto same = [](const Json& a, const Json& b) {
        return a.kind == b.kind && a.text == b.text && a.number == b.number && a.boolean == b.boolean;
    };
    const Json& type = schema["type"];
    if (type.kind == Json::String && !isType(type.text)) return at + ": not of type " + Narrow(type.text);
    if (type.kind == Json::Array &&
        std::none_of(type.items.begin(), type.items.end(), [&](const Json& t) { return isType(t.text); }))
        return at + ": none of its types";
    for (const auto& [keyword, rule] : schema.members) {
        if (keyword == "const" && !same(value, rule)) return at + ": not the constant";
        if (keyword == "enum" && std::none_of(rule.items.begin(), rule.items.end(), [&](const Json& e) { return same(value, e); }))
            return at + ": not one of the values";
        if (keyword == "minimum" && value.kind == Json::Number && value.number < rule.number) return at + ": below its minimum";
        if (keyword == "minItems" && value.items.size() < rule.number) return at + ": too few items";
        if (keyword == "pattern" && value.kind == Json::String && !std::regex_search(value.text, std::wregex(rule.text)))
            return at + ": " + Narrow(value.text) + " does not match " + Narrow(rule.text);
        if (keyword == "required")
            for (const Json& name : rule.items)
                if (std::none_of(value.members.begin(), value.members.end(),
                                 [&](const auto& member) { return member.first == Narrow(name.text); }))
                    return at + ": lacks " + Narrow(name.text);
    }
    if (value.kind == Json::Object)
        for (const auto& [name, member] : value.members) {
            const Json& rule = schema["properties"][name];
            if (rule.kind == Json::Null) {
                if (schema["additionalProperties"].kind == Json::Boolean && !schema["additionalProperties"].boolean)
                    return at + ": has " + name + ", which the schema does not know";
                continue;
            }
            if (std::string breach = SchemaBreach(member, rule, at + "." + name); !breach.empty()) return breach;
        }
    if (value.kind == Json::Array && schema["items"].kind == Json::Object)
        for (size_t i = 0; i < value.items.size(); ++i)
            if (std::string breach = SchemaBreach(value.items[i], schema["items"], at + "[" + std::to_string(i) + "]");
                !breach.empty())
                return breach;
    return {};
}

// A status file the program wrote, read as a tree and held to the schema in the repository.
Json ReadStatus(const std::wstring& path) {
    static const Json schema = [] {
        std::ifstream file(MERVANE_STATUS_SCHEMA, std::ios::binary);
        bool parsed = false;
        Json read = JsonReader(std::string(std::istreambuf_iterator<char>(file), {})).Read(parsed);
        EXPECT_TRUE(parsed) << "the schema is no JSON";
        return read;
    }();
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind("{", 0), 0u) << "no byte-order mark: " << bytes.substr(0, 8);
    bool parsed = false;
    Json status = JsonReader(bytes).Read(parsed);
    EXPECT_TRUE(parsed) << bytes;
    EXPECT_EQ(SchemaBreach(status, schema), "") << bytes;
    return status;
}

// ---- the program, started as a script would start it

std::wstring Quoted(const std::wstring& switchName, const std::wstring& path) {
    return L"\"" + switchName + L"=" + path + L"\"";
}

class SilentRun : public testing::Test {
protected:
    void SetUp() override {
        desktop_ = SpecialFolderPath(nullptr, CSIDL_DESKTOP);
        shortcut_ = desktop_ + L"\\Mervane 4 User Guide.url";
        DeleteFileW(shortcut_.c_str());
        log_ = machine_.Tree().Path(L"setup.log");
    }
    void TearDown() override { DeleteFileW(shortcut_.c_str()); }

    static DWORD Run(const std::wstring& arguments) {
        TestProcess setup(BuiltProgram(L"Mervane4Setup.exe"), arguments);
        return setup.WaitForExit(60000);
    }
    // The log's bytes after its byte-order mark; "<no mark>" when it lacks one.
    std::string Log() const {
        const std::string bytes = ReadBytes(log_);
        return bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : "<no mark> " + bytes;
    }
    bool LogHas(const std::wstring& line) const { return Log().find(Utf8(line + L"\r\n", false)) != std::string::npos; }
    static std::wstring Expert(const std::wstring& folder) { return folder + L"\\MQL4\\Experts\\Mervane 4.ex4"; }

    Machine machine_;
    std::wstring desktop_, shortcut_, log_;
};

TEST_F(SilentRun, WithoutConsentNothingIsWrittenAndTheAgreementCanBeReadFirst) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);

    EXPECT_EQ(Run(L"/silent " + Quoted(L"/log", log_)), 2u);
    EXPECT_TRUE(LogHas(L"nothing installed: /accept-agreement was not given")) << Log();
    EXPECT_TRUE(LogHas(L"exit code 2")) << Log();
    EXPECT_EQ(Run(L"/silent /accept-agreement /bogus " + Quoted(L"/log", log_)), 2u);
    EXPECT_TRUE(LogHas(L"usage error: unknown switch \"/bogus\"")) << Log();
    // The switches that deployment tools guess: no consent either, so nothing written and no box.
    EXPECT_EQ(Run(L"/S /SUPPRESSMSGBOXES " + Quoted(L"/log", log_)), 2u);
    EXPECT_TRUE(LogHas(L"nothing installed: /accept-agreement was not given")) << Log();
    for (const std::wstring& folder : {a, dataA}) EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");

    // The agreement in the language of the first argument, to be read before consenting.
    const std::wstring agreement = machine_.Tree().Path(L"agreement.txt");
    EXPECT_EQ(Run(L"/de /silent " + Quoted(L"/AGREEMENT", agreement)), 0u);
    const std::optional<std::wstring> german = AgreementTextIn(BuiltProgramResources(), kAgreementResources, Language::German);
    ASSERT_TRUE(german.has_value());
    EXPECT_EQ(ReadBytes(agreement), Utf8(*german, true));
    EXPECT_EQ(ReadBytes(Expert(a)), "<missing>");
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/agreement", machine_.Tree().Path(L"missing\\agreement.txt"))), 2u);
}

TEST_F(SilentRun, InstallsIntoTheRegisteredAndAddedFoldersAndTheirDataFoldersAndRefreshesTheTerminals) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring b = machine_.AddTerminal(L"Terminal B", true, true);
    const std::wstring added = machine_.AddTerminal(L"Terminal C", false);
    const std::wstring dataA = machine_.AddDataFolder(a);
    const std::wstring dataB = machine_.AddDataFolder(b + L"\\");  // the marker names it as registered
    const std::wstring dataAdded = machine_.AddDataFolder(added);
    const std::wstring elsewhere = machine_.AddTerminal(L"Terminal D", false);
    StandInTerminal terminal(L"--hidden-navigator \"--experts=" + dataA + L"\\MQL4\\Experts\"");

    // A folder that the registry lists already is installed into once, as in the wizard. A
    // folder typed in other letter case, with a trailing backslash, still finds its data folder.
    EXPECT_EQ(Run(L"/SILENT /Accept-Agreement " + Quoted(L"/folder", AsciiLower(added) + L"\\") + L" " +
                  Quoted(L"/folder", a) + L" " + Quoted(L"/log", log_)),
              0u)
        << Log();
    for (const std::wstring& folder : {a, b, added, dataA, dataB, dataAdded}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_EQ(ReadBytes(Expert(elsewhere)), "<missing>");
    EXPECT_EQ(ReadBytes(shortcut_), LinkBytes());
    EXPECT_EQ(terminal.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");

    const std::string log = Log();
    size_t at = 0;
    for (const std::wstring& folder : {a, b, added, dataA, dataB, dataAdded}) {
        const size_t line = log.find(Utf8(L"expert written: " + Expert(folder) + L"\r\n", false));
        EXPECT_NE(line, std::string::npos) << Narrow(folder) << "\n" << log;
        if (line == std::string::npos) continue;
        EXPECT_GT(line, at) << "in the order of the targets";
        at = line;
    }
    EXPECT_EQ(log.find(Utf8(Expert(a), false)), log.rfind(Utf8(Expert(a), false))) << "written once";
    const std::string window = Narrow(TerminalWindowEntry(terminal.Window()));
    EXPECT_NE(log.find("standin_terminal.exe, window " + window + ", code 0: refreshed\r\n"), std::string::npos) << log;
    EXPECT_TRUE(LogHas(L"shortcut written: " + shortcut_)) << log;
    EXPECT_TRUE(LogHas(L"exit code 0")) << log;
}

TEST_F(SilentRun, SkipRegistryWithOneFolderTouchesOnlyThatFolderAndItsDataFolder) {
    const std::wstring registered = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataRegistered = machine_.AddDataFolder(registered);
    const std::wstring added = machine_.AddTerminal(L"Terminal C", false);
    const std::wstring dataAdded = machine_.AddDataFolder(added);

    // Everything written, but the log's folder is missing: 4.
    std::wstring slashes = added;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", slashes) + L" " +
                  Quoted(L"/log", machine_.Tree().Path(L"missing\\setup.log"))),
              4u);
    EXPECT_TRUE(HasExpert(added));
    EXPECT_TRUE(HasExpert(dataAdded));
    for (const std::wstring& folder : {registered, dataRegistered})
        EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
}

TEST_F(SilentRun, ATargetNotWrittenGivesExitCode1AndTheLogNamesIt) {
    const std::wstring held = machine_.AddTerminal(L"Terminal A", false);
    const std::wstring good = machine_.AddTerminal(L"Terminal B", false);
    const std::wstring notATerminal = machine_.Tree().Folder(L"Documents");
    WriteBytes(Expert(held), "an older expert");
    SetFileAttributesW(Expert(held).c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", held) + L" " +
                  Quoted(L"/folder", notATerminal) + L" " + Quoted(L"/folder", good) + L" " + Quoted(L"/log", log_)),
              1u);
    EXPECT_EQ(ReadBytes(Expert(held)), "an older expert");
    EXPECT_TRUE(HasExpert(good));
    EXPECT_NE(Log().find(Utf8(L"expert not written: " + Expert(held) + L": error 5", false)), std::string::npos) << Log();
    EXPECT_TRUE(LogHas(L"expert not written: " + notATerminal +
                       L": not a MetaTrader 4 installation folder (terminal.exe, MQL4\\Experts, MQL4\\Files)"))
        << Log();
    EXPECT_TRUE(LogHas(L"exit code 1")) << Log();
}

// Wine has no shell window: there is no user to act as, and every write is the program's own.
TEST_F(SilentRun, WithNoUserToActAsAFolderThatLeadsElsewhereIsNotWrittenAndTheLogSaysWhere) {
    // A 32-bit program's System32 is SysWOW64, which the log names as such.
    wchar_t systemFolder[MAX_PATH];
    ASSERT_TRUE(RunningUnderWow64() ? GetSystemWow64DirectoryW(systemFolder, MAX_PATH)
                                    : GetSystemDirectoryW(systemFolder, MAX_PATH));
    const std::wstring system = systemFolder, planted = system + L"\\Mervane 4.ex4";
    const std::wstring linked = machine_.AddTerminal(L"Terminal A", false);
    const std::wstring dataOfLinked = machine_.AddDataFolder(linked);
    const std::wstring good = machine_.AddTerminal(L"Terminal B", false);
    const std::wstring dataOfGood = machine_.AddDataFolder(good);
    const FolderLink installationLink(linked + L"\\MQL4\\Experts", system);
    const FolderLink dataLink(dataOfGood + L"\\MQL4\\Experts", system);
    ASSERT_TRUE(installationLink.Made() && dataLink.Made());

    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", linked) + L" " +
                  Quoted(L"/folder", good) + L" " + Quoted(L"/log", log_)),
              1u)
        << Log();
    const bool written = DeleteFileW(planted.c_str());
    EXPECT_FALSE(written) << "written into the system folder";
    EXPECT_TRUE(HasExpert(good));
    EXPECT_TRUE(HasExpert(dataOfLinked));
    EXPECT_EQ(ReadBytes(shortcut_), LinkBytes());
    for (const std::wstring& folder : {linked, dataOfGood})
        EXPECT_TRUE(LogHas(L"expert not written: " + Expert(folder) + L": the folder leads to " + system +
                           L", not the folder named"))
            << Log();

    // A log or an agreement is not written there either: 4 and 2.
    const std::wstring logs = machine_.Tree().Folder(L"Logs"), elsewhere = machine_.Tree().Folder(L"Elsewhere");
    const FolderLink logLink(logs, elsewhere);
    ASSERT_TRUE(logLink.Made());
    const std::wstring plain = machine_.AddTerminal(L"Terminal C", false);
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", plain) + L" " +
                  Quoted(L"/log", logs + L"\\setup.log")),
              4u);
    EXPECT_TRUE(HasExpert(plain));
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/agreement", logs + L"\\agreement.txt") + L" " + Quoted(L"/log", log_)), 2u);
    EXPECT_TRUE(LogHas(L"agreement not written: " + logs + L"\\agreement.txt: the folder leads to " + elsewhere +
                       L", not the folder named"))
        << Log();
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/status", logs + L"\\status.json") + L" " + Quoted(L"/log", log_)), 1u);
    EXPECT_TRUE(LogHas(L"status not written: " + logs + L"\\status.json: the folder leads to " + elsewhere +
                       L", not the folder named"))
        << Log();
    EXPECT_TRUE(FolderEntries(elsewhere).empty());

    // The user's own folders, named by that user's registry, are written only where that user
    // could write: Wine's split token has no shell either.
    const std::wstring barred = machine_.AddTerminal(L"Terminal D", false);
    const std::wstring dataOfBarred = machine_.AddDataFolder(barred);
    ASSERT_TRUE(GiveToAnotherUser(dataOfBarred + L"\\MQL4\\Experts"));
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", barred) + L" " + Quoted(L"/log", log_)),
              1u);
    EXPECT_TRUE(HasExpert(barred));
    EXPECT_EQ(ReadBytes(Expert(dataOfBarred)), "<missing>");
    EXPECT_TRUE(LogHas(L"expert not written: " + Expert(dataOfBarred) +
                       L": the user whose folder it is may not do this there, so the program does not either"))
        << Log();
}

TEST_F(SilentRun, ALogOrAgreementThatIsAnInstalledFileOrTheOtherByAnotherNameIsRefusedAndLeavesItAlone) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    WriteBytes(Expert(a), "an older expert");
    const std::wstring link = machine_.Tree().Path(L"expert.log");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), Expert(a).c_str(), nullptr));
    std::vector<std::wstring> names = {link};
    wchar_t shortName[MAX_PATH];
    const DWORD length = GetShortPathNameW(Expert(a).c_str(), shortName, MAX_PATH);
    if (length && length < MAX_PATH && Expert(a) != shortName) names.push_back(shortName);
    for (const std::wstring& name : names) {
        EXPECT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", name)), 2u) << Narrow(name);
        EXPECT_EQ(Run(L"/silent " + Quoted(L"/agreement", name) + L" " + Quoted(L"/log", log_)), 2u) << Narrow(name);
        EXPECT_TRUE(LogHas(L"usage error: \"/agreement=" + name +
                           L"\": the file would replace one that the installation writes"))
            << Log();
        EXPECT_EQ(Run(L"/silent " + Quoted(L"/status", name) + L" " + Quoted(L"/log", log_)), 2u) << Narrow(name);
        EXPECT_TRUE(LogHas(L"usage error: \"/status=" + name + L"\": the file would replace one that the installation writes"))
            << Log();
        // A run that installs nothing still writes its log.
        EXPECT_EQ(Run(L"/silent " + Quoted(L"/log", name)), 2u) << Narrow(name);
        EXPECT_EQ(Run(L"/silent /accept-agreement /bogus " + Quoted(L"/log", name)), 2u) << Narrow(name);
        EXPECT_EQ(ReadBytes(Expert(a)), "an older expert") << Narrow(name);
    }
    EXPECT_EQ(names.size(), 2u) << "no short name to try";
    EXPECT_EQ(ReadBytes(Expert(a)), "an older expert");
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");

    // Neither file is there yet, but the log's first line is written before the agreement.
    const std::wstring agreement = machine_.Tree().Path(L"agreement.txt");
    std::wstring slashes = agreement;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    for (const std::wstring& log : {slashes, machine_.Tree().Path(L"\\agreement.txt")}) {
        DeleteFileW(agreement.c_str());
        EXPECT_EQ(Run(L"/silent " + Quoted(L"/agreement", agreement) + L" " + Quoted(L"/log", log)), 2u) << Narrow(log);
    }
}

TEST_F(SilentRun, ManySlowTerminalWindowsCostAtMostTheDeadlineALogoffMayGoMeanwhileASecondRunGets3TheWizardEndsQuietly) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A", false);
    // Twelve windows of the terminal's class in one process, in front of a healthy terminal,
    // each answering every message after 2 s, within the message time-out: each window's own
    // bound would take 80 s for eight of them, long past the deadline and the healthy one's
    // turn. The process gets one terminal's time (10 s), the healthy one is refreshed. They
    // keep the first run busy meanwhile.
    StandInTerminal healthy(L"--hidden-navigator \"--experts=" + a + L"\\MQL4\\Experts\"");
    StandInTerminal hostile(L"--windows=12 --slow=2000");
    ASSERT_TRUE(healthy.Window() && hostile.Window());
    SetWindowPos(healthy.Window(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const ULONGLONG start = GetTickCount64();
    TestProcess first(BuiltProgram(L"Mervane4Setup.exe"),
                      L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", a) + L" " + Quoted(L"/log", log_));
    ASSERT_TRUE(first.Started());
    auto guardHeld = [] {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, L"Quorvel_Installer");
        if (event) CloseHandle(event);
        return event != nullptr;
    };
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!guardHeld() && GetTickCount64() < deadline) Sleep(10);
    ASSERT_TRUE(guardHeld());

    const std::wstring secondLog = machine_.Tree().Path(L"second.log");
    EXPECT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", secondLog)), 3u);
    EXPECT_EQ(ReadBytes(secondLog), "<missing>") << "the log may be the running one's: not touched";
    TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"), L"/de");
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    EXPECT_EQ(CountTopLevelWindows(wizard.Id()), 0);
    EXPECT_EQ(CountTopLevelWindows(first.Id(), true), 0) << "a silent run shows no window";
    // Once the copies are in place the refresh goes on and holds no logoff: its window that is
    // never shown answers. On a loaded machine the run may not have got that far yet.
    HWND session = nullptr;
    EXPECT_TRUE(WizardDriver::WaitUntil(
        [&] {
            session = FindWindowW(kUnattendedWindowClass, nullptr);
            DWORD owner = 0;
            GetWindowThreadProcessId(session, &owner);
            return owner == first.Id() && HasExpert(a) && AnswerToLogoff(session) == 1;
        },
        10000));
    // The session then ends: the refresh goes on while it may, but no shortcut is begun.
    SendMessageTimeoutW(session, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(first.WaitForExit(0), STILL_ACTIVE) << "the first run ended before the others were tried";
    // Its log says it began and has not ended; no earlier run's log stands in for it.
    EXPECT_EQ(Log().rfind("Mervane 4 Setup ", 0), 0u) << Log();
    EXPECT_EQ(Log().find("exit code"), std::string::npos) << Log();

    EXPECT_EQ(first.WaitForExit(60000), 0u) << "terminals that do not answer cost no target";
    EXPECT_LE(GetTickCount64() - start, kRefreshDeadlineMs + 3000);
    EXPECT_TRUE(HasExpert(a));
    EXPECT_EQ(healthy.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");
    const std::string log = Log();
    size_t passedOver = 0;
    for (size_t at = log.find(", code 4: not answering, passed over\r\n"); at != std::string::npos;
         at = log.find(", code 4: not answering, passed over\r\n", at + 1))
        ++passedOver;
    EXPECT_EQ(passedOver, 12u) << log;
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");
    EXPECT_NE(log.find(Utf8(L"shortcut not written: " + shortcut_ + L": error 1115", false)), std::string::npos) << log;
    const std::string window = Narrow(TerminalWindowEntry(healthy.Window()));
    EXPECT_NE(log.find("standin_terminal.exe, window " + window + ", code 0: refreshed\r\n"), std::string::npos) << log;
}

TEST_F(SilentRun, QuestionMarkAloneShowsTheSummaryAndInstallsNothing) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    TestProcess setup(BuiltProgram(L"Mervane4Setup.exe"), L"/?");
    HWND box = setup.WaitForWindow(L"Mervane 4 Setup", 15000);
    ASSERT_NE(box, nullptr);
    // The summary as its source file has it, without the file's last line break.
    std::ifstream source(MERVANE_USAGE_FILE, std::ios::binary);
    std::string usage(std::istreambuf_iterator<char>(source), {});
    ASSERT_EQ(usage.back(), '\n');
    usage.pop_back();
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), Widened(usage));  // a message box's text
    EXPECT_EQ(CountTopLevelWindows(setup.Id(), true), 1) << "the box alone, no wizard";
    // The box holds no single-instance guard: a script's run meanwhile is not turned away.
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/log", log_)), 2u);

    // Closed as a person would, with a click on its button.
    SetForegroundWindow(box);
    const POINT ok = ScreenCenterOf(GetDlgItem(box, IDOK));
    WizardDriver::MouseTo(ok, MOUSEEVENTF_LEFTDOWN);
    WizardDriver::MouseTo(ok, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(setup.WaitForExit(15000), 0u);
    EXPECT_EQ(ReadBytes(Expert(a)), "<missing>");
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");
}

// A hidden window of the test made the desktop's shell window, for as long as it lives. Its
// token is the test's own, which Wine reports elevated, as an administrator's shell with UAC
// off would be.
class ShellWindow {
public:
    ShellWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {
        SetShellWindow(window_);
    }
    ~ShellWindow() { DestroyWindow(window_); }
    ShellWindow(const ShellWindow&) = delete;
    ShellWindow& operator=(const ShellWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

TEST_F(SilentRun, AShellWithAnElevatedTokenIsNoUserToActAsSoLinksInTheFoldersAreNotFollowed) {
    const std::wstring moved = machine_.AddTerminal(L"Terminal A", false);
    const std::wstring data = machine_.AddDataFolder(moved);
    const std::wstring otherDrive = machine_.Tree().Folder(L"D\\Experts");
    const std::wstring dataMoved = machine_.Tree().Folder(L"E\\Experts");
    const FolderLink installationLink(moved + L"\\MQL4\\Experts", otherDrive);
    const FolderLink dataLink(data + L"\\MQL4\\Experts", dataMoved);
    ASSERT_TRUE(installationLink.Made() && dataLink.Made());
    {
        const ShellWindow shell;
        ASSERT_EQ(GetShellWindow(), shell.Handle());
        EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", moved) + L" " +
                      Quoted(L"/log", log_)),
                  1u)
            << Log();
    }
    EXPECT_EQ(GetShellWindow(), nullptr) << "the tests after this one have no shell";
    // Acting as it would have written wherever its links lead, with the administrator's rights.
    EXPECT_TRUE(FolderEntries(otherDrive).empty());
    EXPECT_TRUE(FolderEntries(dataMoved).empty());
    EXPECT_TRUE(LogHas(L"expert not written: " + Expert(moved) + L": the folder leads to " + otherDrive +
                       L", not the folder named"))
        << Log();
}

TEST_F(SilentRun, WithoutSilentTheSwitchesChangeNothing) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"),
                       L"/de /accept-agreement /skip-registry /bogus " + Quoted(L"/folder", a) + L" " + Quoted(L"/log", log_));
    HWND form = WaitForWizard(wizard);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(WindowText(FindDescendant(form, kWelcomeText)), Text(TextId::Welcome, Language::German));
    PostMessageW(GetDlgItem(form, kButtonClose), BM_CLICK, 0, 0);
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    EXPECT_EQ(ReadBytes(log_), "<missing>");
    EXPECT_EQ(ReadBytes(Expert(a)), "<missing>");
}


TEST_F(SilentRun, ARunningTerminalNoEntryListsIsInstalledIntoInventoriedAndRemovedAgain) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);
    const std::wstring portable = machine_.AddTerminal(L"Portable", false);
    const std::wstring named = machine_.AddTerminal(L"Named", false);
    const std::wstring older = machine_.AddTerminal(L"Older", false);
    WriteBytes(Expert(older), "an older expert");
    // A hard link planted at the copy's name would tell the size and digest of what it names.
    const std::wstring linked = machine_.AddTerminal(L"Linked", false);
    ASSERT_TRUE(CreateHardLinkW(Expert(linked).c_str(), machine_.Tree().File(L"secret.txt", "secret").c_str(), nullptr));
    const std::wstring experts = portable + L"\\MQL4\\Experts";
    const StandInTerminal running(L"--hidden-navigator \"--experts=" + experts + L"\"", portable);
    ASSERT_TRUE(running.Window());

    // /skip-registry keeps its meaning: the command line's folders only.
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/folder", a)), 0u);
    EXPECT_EQ(ReadBytes(Expert(portable)), "<missing>");
    EXPECT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", log_)), 0u) << Log();
    for (const std::wstring& folder : {a, dataA, portable}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_TRUE(LogHas(L"installation folder, a running terminal's: " + portable)) << Log();
    EXPECT_EQ(running.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");

    // The inventory: written whole, nothing else touched, no consent asked for.
    const std::wstring status = machine_.Tree().Path(L"status.json");
    WriteBytes(shortcut_, "a shortcut of the trader's own");
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/status", status) + L" " + Quoted(L"/folder", named) + L" " +
                  Quoted(L"/folder", older) + L" " + Quoted(L"/folder", linked) + L" " + Quoted(L"/log", log_)),
              0u)
        << Log();
    EXPECT_TRUE(LogHas(L"status written: " + status)) << Log();
    EXPECT_EQ(Run(L"/silent " + Quoted(L"/status", machine_.Tree().Path(L"missing\\status.json"))), 1u);
    EXPECT_EQ(ReadBytes(shortcut_), "a shortcut of the trader's own");
    EXPECT_EQ(ReadBytes(Expert(named)), "<missing>");
    const std::string bytes = ReadBytes(status);
    const Json inventory = ReadStatus(status);
    const std::string expert = ResourceBytes(L"EXPERT");
    const std::wstring embedded = HexText(*Sha256Of({reinterpret_cast<const BYTE*>(expert.data()), expert.size()}));
    EXPECT_EQ(inventory["expert"]["sha256"].text, embedded);
    EXPECT_EQ(inventory["expert"]["size"].number, static_cast<double>(expert.size()));
    EXPECT_EQ(inventory["version"].text.empty(), false);
    EXPECT_FALSE(inventory["allUsers"].boolean);
    // Five installations; copies read in a, its data folder, the portable one and the older
    // copy, three of them the embedded one; the hard-linked copy is found but not read.
    EXPECT_EQ(inventory["summary"]["installations"].number, 5.0);
    EXPECT_EQ(inventory["summary"]["copiesPresent"].number, 4.0);
    EXPECT_EQ(inventory["summary"]["copiesSameAsEmbedded"].number, 3.0);
    const Json& installations = inventory["installations"];
    struct Copy {
        std::wstring installation, foundBy, folder;
        bool present, current;
        const wchar_t* state;
    };
    const Copy copies[] = {
        {a, L"registry", a, true, true, L"current"},
        {a, L"registry", dataA, true, true, L"current"},
        {portable, L"running", portable, true, true, L"current"},
        {named, L"folder", named, false, false, L""},
        {older, L"folder", older, true, false, L"other"},
    };
    for (const Copy& copy : copies) {
        const Json& found = installations.Where("folder", copy.installation);
        EXPECT_EQ(found["foundBy"].text, copy.foundBy) << Narrow(copy.installation) << "\n" << bytes;
        const Json& entry = found["experts"].Where("folder", copy.folder + L"\\MQL4\\Experts");
        EXPECT_EQ(entry["present"].boolean, copy.present) << Narrow(copy.folder) << "\n" << bytes;
        EXPECT_EQ(entry["sameAsEmbedded"].boolean, copy.current) << Narrow(copy.folder);
        EXPECT_EQ(entry["state"].text, copy.state) << Narrow(copy.folder);
        if (copy.current) {
            EXPECT_EQ(entry["sha256"].text, embedded);
        }
    }
    EXPECT_EQ(inventory["copiesFound"].number, 5.0);
    EXPECT_FALSE(inventory["everyCopyCurrent"].boolean) << "the older expert is another file";
    EXPECT_EQ(installations.Where("folder", a)["dataFolders"].items.size(), 1u);
    EXPECT_EQ(installations.Where("folder", a)["dataFolders"].items[0].text, dataA);
    EXPECT_EQ(installations.Where("folder", older)["experts"].items[0]["sha256"].text,
              L"55106268aa338b51e8aaca14205d22be1b6e323bcbe37fb7cce86286f54e7648");
    EXPECT_EQ(installations.Where("folder", older)["experts"].items[0]["size"].number, 15.0);
    const Json& hardLinked = installations.Where("folder", linked)["experts"].items[0];
    EXPECT_EQ(hardLinked["present"].kind, Json::Null) << bytes;
    EXPECT_EQ(hardLinked["error"].text, L"the file has other names (hard links): not read");
    EXPECT_EQ(hardLinked["sha256"].kind, Json::Null);
    const Json& terminal = inventory["runningTerminals"].Where("installationFolder", portable);
    EXPECT_EQ(terminal["program"].text, portable + L"\\terminal.exe") << bytes;
    EXPECT_EQ(terminal["processId"].number, static_cast<double>(running.ProcessId()));

    // A copy in use stays, and says so; the terminal that still finds it still lists it. The
    // trader's own shortcut of the same name stays too.
    HANDLE inUse = CreateFileW(Expert(portable).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(L"/silent /remove " + Quoted(L"/log", log_)), 1u) << Log();
    CloseHandle(inUse);
    EXPECT_TRUE(HasExpert(portable));
    for (const std::wstring& folder : {a, dataA}) EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
    EXPECT_NE(Log().find(Utf8(L"expert not removed: " + Expert(portable) + L": error 32", false)), std::string::npos)
        << Log();
    EXPECT_TRUE(LogHas(L"expert removed: " + Expert(dataA))) << Log();
    const std::string window = Narrow(TerminalWindowEntry(running.Window()));
    EXPECT_NE(Log().find(", window " + window + ", code 5: refreshed, but it still lists the expert\r\n"),
              std::string::npos)
        << Log();
    EXPECT_TRUE(LogHas(L"shortcut kept: " + shortcut_ + L": it is not the one this program writes")) << Log();
    EXPECT_EQ(ReadBytes(shortcut_), "a shortcut of the trader's own");

    WriteBytes(shortcut_, LinkBytes());
    EXPECT_EQ(Run(L"/silent /remove " + Quoted(L"/log", log_)), 0u) << Log();
    EXPECT_EQ(ReadBytes(Expert(portable)), "<missing>");
    EXPECT_TRUE(FolderEntries(experts).empty());
    EXPECT_EQ(running.Experts(), "");
    // The stand-in rebuilds its tree with every group expanded; the removal collapses and
    // selects nothing.
    EXPECT_EQ(running.State(), "groups=EECEE selected=/ panel=visible");
    EXPECT_TRUE(LogHas(L"expert not there: " + Expert(a))) << Log();
    EXPECT_NE(Log().find(", window " + window + ", code 0: the expert is no longer listed\r\n"), std::string::npos)
        << Log();
    EXPECT_TRUE(LogHas(L"shortcut removed: " + shortcut_)) << Log();
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");
    EXPECT_EQ(ReadBytes(Expert(older)), "an older expert") << "not named this time";
}

// Starts a command line as written, as Windows starts an uninstall string; its exit code.
DWORD RunAsWritten(std::wstring commandLine) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return GetLastError();
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(started.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code;
}

TEST_F(SilentRun, AnInstallationIsListedWithItsCopyAndItsQuietUninstallStringTakesEverythingAway) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);
    const std::vector<std::wstring> copiesBefore = TemporaryCopies();
    const std::wstring copy = ProgramCopyPath();
    {
        // A program folder that leads elsewhere is refused as every write of the program's own
        // is; the expert is installed all the same, and the exit code says so.
        const std::wstring elsewhere = machine_.Tree().Folder(L"elsewhere");
        const FolderLink link(ProgramFolder(), elsewhere);
        ASSERT_TRUE(link.Made());
        EXPECT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", log_)), 0u) << Log();
        EXPECT_TRUE(LogHas(L"program copy not written: " + copy + L": the folder leads to " + elsewhere +
                           L", not the folder named"))
            << Log();
        EXPECT_TRUE(FolderEntries(elsewhere).empty());
        EXPECT_EQ(ProductValue(UninstallKeyPath(), L"DisplayName"), L"<missing>") << "no entry without its program";
    }
    ASSERT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", log_)), 0u) << Log();

    const std::wstring entry = UninstallKeyPath(), detection = DetectionKeyPath();
    EXPECT_EQ(entry, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mervane 4");
    EXPECT_EQ(detection, L"Software\\Mervane\\Mervane 4");
    EXPECT_EQ(copy, SpecialFolderPath(nullptr, CSIDL_PROGRAM_FILESX86) + L"\\Mervane 4\\Mervane4Setup.exe");
    EXPECT_EQ(ReadBytes(copy), ReadBytes(BuiltProgram(L"Mervane4Setup.exe")));
    EXPECT_TRUE(LogHas(L"program copy written: " + copy)) << Log();
    EXPECT_TRUE(LogHas(L"uninstall entry written: HKEY_LOCAL_MACHINE\\" + entry)) << Log();
    EXPECT_TRUE(LogHas(L"detection values written: HKEY_LOCAL_MACHINE\\" + detection)) << Log();

    const std::wstring quoted = L"\"" + copy + L"\"";
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"DisplayName", L"Mervane 4"},
        {L"DisplayVersion", L"1.0.0"},
        {L"Publisher", L"Mervane"},
        {L"DisplayIcon", copy + L",0"},
        {L"NoModify", L"1"},
        {L"NoRepair", L"1"},
        {L"UninstallString", quoted + L" /remove"},
        {L"QuietUninstallString", quoted + L" /silent /remove"},
    };
    for (const auto& [name, value] : values) EXPECT_EQ(ProductValue(entry, name), value) << Narrow(name);
    EXPECT_EQ(ProductValue(entry, L"InstallDate").size(), 8u);
    const unsigned long long kilobytes = (ReadBytes(copy).size() + 2 * ResourceBytes(L"EXPERT").size() + 1023) / 1024;
    EXPECT_EQ(ProductValue(entry, L"EstimatedSize"), std::to_wstring(kilobytes));
    const std::string expert = ResourceBytes(L"EXPERT");
    EXPECT_EQ(ProductValue(detection, L"Version"), L"1.0.0");
    EXPECT_EQ(ProductValue(detection, L"ExpertSha256"),
              HexText(*Sha256Of({reinterpret_cast<const BYTE*>(expert.data()), expert.size()})));
    EXPECT_EQ(ProductValue(detection, L"CopiesWritten"), L"2");
    const std::wstring utc = ProductValue(detection, L"LastRunUtc");
    EXPECT_TRUE(utc.size() == 20 && utc[4] == L'-' && utc[10] == L'T' && utc[19] == L'Z') << Narrow(utc);

    EXPECT_EQ(RunAsWritten(ProductValue(entry, L"QuietUninstallString")), 0u);
    for (const std::wstring& folder : {a, dataA}) EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
    EXPECT_EQ(ProductValue(entry, L"DisplayName"), L"<missing>");
    EXPECT_EQ(ProductValue(detection, L"Version"), L"<missing>");
    // The program's folder goes once the temporary copy has ended, and that copy with it.
    EXPECT_TRUE(GoneWithTheTemporaryCopy(ProgramFolder(), copiesBefore)) << Narrow(RemovedAtRestart());
}

TEST_F(SilentRun, TheRunningProgramsFileCannotBeSwappedForTheCopyItMakesOfItself) {
    // Started from a folder its user may change: renamed while it runs, another file could
    // stand under its name when it copies itself into Program Files.
    const std::wstring program = machine_.Tree().Path(L"Mervane4Setup.exe");
    ASSERT_TRUE(CopyFileW(BuiltProgram(L"Mervane4Setup.exe").c_str(), program.c_str(), FALSE));
    {
        TestProcess wizard(program, L"");
        ASSERT_TRUE(wizard.WaitForWindow(L"FormMain", 15000));
        EXPECT_FALSE(MoveFileW(program.c_str(), (program + L".old").c_str()));
        EXPECT_EQ(ReadBytes(program + L".old"), "<missing>");
    }
    EXPECT_TRUE(DeleteFileW(program.c_str()));
}

TEST_F(SilentRun, TheTemporaryCopysSwitchWithoutAHandedProcessTakesNothingAway) {
    // The program's copy started by hand with the switch must not delete itself, now or at the
    // next restart, and leave its uninstall entry pointing at nothing.
    const std::wstring program = machine_.Tree().Path(L"Mervane4Setup.exe");
    ASSERT_TRUE(CopyFileW(BuiltProgram(L"Mervane4Setup.exe").c_str(), program.c_str(), FALSE));
    for (const wchar_t* handle : {L"4", L"12", L"999999", L"x"}) {
        TestProcess stray(program, std::wstring(L"/finish-removal=") + handle);
        EXPECT_EQ(stray.WaitForExit(15000), 0u) << Narrow(handle);
        EXPECT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(handle);
        EXPECT_EQ(AsciiLower(RemovedAtRestart()).find(AsciiLower(program)), std::wstring::npos) << Narrow(handle);
    }
}

// A vendor's build, made by the vendor_build test, which names it; skipped in every other run.
class VendorBuild : public SilentRun {};

TEST_F(VendorBuild, EveryIdentitySettingReachesItsPlaceAndTheDefaultBuildBesideItLeavesItAlone) {
    const char* given = std::getenv("MERVANE_VENDOR_PROGRAM");
    if (!given) GTEST_SKIP() << "run by the vendor_build test, which builds the vendor's program";
    const std::wstring vendor(given, given + std::strlen(given));
    const HMODULE built = LoadLibraryExW(vendor.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(built) << given;
    auto resource = [&](const wchar_t* type, const wchar_t* name) {
        const std::span<const BYTE> bytes = EmbeddedResource(built, type, name);
        return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    const std::string version = resource(RT_VERSION, MAKEINTRESOURCEW(1));
    for (const wchar_t* text : {L"CompanyName", L"Vendor", L"ProductName", L"Vendor Expert", L"2.3.4",
                                L"Vendor Expert Setup: installs the Vendor Expert expert into MetaTrader 4"})
        EXPECT_NE(version.find(Utf16Le(text, false)), std::string::npos) << Narrow(text);
    EXPECT_EQ(version.find(Utf16Le(L"Mervane 4", false)), std::string::npos) << "the program's file keeps its name";
    const std::string manifest = resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("name=\"Vendor.VendorExpertSetup\" version=\"2.3.4.0\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("<description>Vendor Expert Setup</description>"), std::string::npos) << manifest;
    const std::string expert = resource(L"EXEFILE", L"EXPERT"), link = resource(L"EXEFILE", L"LINK");
    EXPECT_EQ(expert, "The vendor's own expert, not the placeholder.\r\n");
    EXPECT_NE(link.find("\r\nURL=https://www.example.org/vendor/guide/\r\n"), std::string::npos) << link;

    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);
    const std::wstring shortcut = desktop_ + L"\\Vendor Expert Guide.url";
    const std::wstring entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vendor Expert";
    const std::wstring detection = L"Software\\Vendor\\Vendor Expert";
    const std::wstring folder = SpecialFolderPath(nullptr, CSIDL_PROGRAM_FILESX86) + L"\\Vendor Expert";
    const std::vector<std::wstring> copiesBefore = TemporaryCopies();
    {
        // The default build's wizard holds its guard all the while: the vendor's is another.
        TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"), L"");
        ASSERT_TRUE(wizard.WaitForWindow(L"FormMain", 15000));
        TestProcess install(vendor, L"/silent /accept-agreement " + Quoted(L"/log", log_));
        EXPECT_EQ(install.WaitForExit(60000), 0u) << Log();
    }
    EXPECT_EQ(Log().rfind("Vendor Expert Setup 2.3.4, unattended run", 0), 0u) << Log();
    for (const std::wstring& target : {a, dataA}) {
        EXPECT_EQ(ReadBytes(target + L"\\MQL4\\Experts\\Vendor Expert.ex4"), expert) << Narrow(target);
        EXPECT_EQ(ReadBytes(Expert(target)), "<missing>") << Narrow(target);
    }
    EXPECT_EQ(ReadBytes(shortcut), link);
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>");
    EXPECT_EQ(ReadBytes(folder + L"\\Mervane4Setup.exe"), ReadBytes(vendor));
    EXPECT_EQ(ProductValue(entry, L"DisplayName"), L"Vendor Expert");
    EXPECT_EQ(ProductValue(entry, L"DisplayVersion"), L"2.3.4");
    EXPECT_EQ(ProductValue(entry, L"Publisher"), L"Vendor");
    EXPECT_EQ(ProductValue(entry, L"HelpLink"), L"https://www.example.org/vendor/guide/");
    EXPECT_EQ(ProductValue(entry, L"QuietUninstallString"), L"\"" + folder + L"\\Mervane4Setup.exe\" /silent /remove");
    EXPECT_EQ(ProductValue(detection, L"Version"), L"2.3.4");

    const std::wstring status = machine_.Tree().Path(L"status.json");
    TestProcess inventory(vendor, L"/silent " + Quoted(L"/status", status));
    EXPECT_EQ(inventory.WaitForExit(60000), 0u);
    const std::string bytes = ReadBytes(status);
    const Json read = ReadStatus(status);  // a vendor's names hold to the schema too
    EXPECT_EQ(read["program"].text, L"Vendor Expert Setup") << bytes;
    EXPECT_EQ(read["version"].text, L"2.3.4");
    EXPECT_EQ(read["expert"]["file"].text, L"Vendor Expert.ex4");
    EXPECT_TRUE(read["everyCopyCurrent"].boolean) << bytes;

    // The default build's removal takes its own expert only.
    EXPECT_EQ(Run(L"/silent /remove"), 0u);
    EXPECT_EQ(ReadBytes(a + L"\\MQL4\\Experts\\Vendor Expert.ex4"), expert);
    EXPECT_EQ(ProductValue(entry, L"DisplayName"), L"Vendor Expert");

    EXPECT_EQ(RunAsWritten(ProductValue(entry, L"QuietUninstallString")), 0u);
    for (const std::wstring& target : {a, dataA})
        EXPECT_EQ(ReadBytes(target + L"\\MQL4\\Experts\\Vendor Expert.ex4"), "<missing>") << Narrow(target);
    EXPECT_EQ(ReadBytes(shortcut), "<missing>");
    EXPECT_EQ(ProductValue(entry, L"DisplayName"), L"<missing>");
    EXPECT_EQ(ProductValue(detection, L"Version"), L"<missing>");
    EXPECT_TRUE(GoneWithTheTemporaryCopy(folder, copiesBefore));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), KEY_WOW64_32KEY, 0);  // a failed run leaves nothing behind
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, detection.c_str(), KEY_WOW64_32KEY, 0);
    RemoveTree(folder);
}

TEST_F(SilentRun, ATerminalRunningFromADrivesRootGivesThatRootNotTheDrivesCurrentFolder) {
    const std::wstring drive = MakeInstallation(machine_.Tree(), L"Drive");
    MakeInstallation(machine_.Tree(), L"Drive\\Current");
    const DriveLink q(L"Q", drive);
    ASSERT_TRUE(q.Made());
    // What "Q:" alone means to the program: the drive's current folder, as a prompt leaves it.
    SetEnvironmentVariableW(L"=Q:", L"Q:\\Current");
    const StandInTerminal running(L"", L"Q:");
    ASSERT_TRUE(running.Window());
    EXPECT_EQ(Run(L"/silent /accept-agreement " + Quoted(L"/log", log_)), 0u) << Log();
    SetEnvironmentVariableW(L"=Q:", nullptr);
    EXPECT_TRUE(LogHas(L"installation folder, a running terminal's: Q:\\")) << Log();
    EXPECT_TRUE(HasExpert(drive));
    EXPECT_FALSE(HasExpert(drive + L"\\Current"));
}

TEST_F(SilentRun, AScanFindsTerminalFoldersToDepthFourButNotBelowNorBehindALinkNorInsideOne) {
    const TempTree& tree = machine_.Tree();
    const std::wstring root = tree.Folder(L"Servers");
    tree.Folder(L"Servers\\Empty\\Deeper");
    tree.File(L"Servers\\notes.txt", "not a folder");
    auto device = [&](const wchar_t* relative) {
        CreateDirectoryW((L"\\\\?\\" + tree.Path(relative)).c_str(), nullptr);
        return MakeInstallation(tree, relative);
    };
    const std::wstring found[] = {MakeInstallation(tree, L"Servers\\One"), MakeInstallation(tree, L"Servers\\a\\Two"),
                                  MakeInstallation(tree, L"Servers\\a\\b\\Three"),
                                  MakeInstallation(tree, L"Servers\\a\\b\\c\\Four")};
    const std::wstring notFound[] = {MakeInstallation(tree, L"Servers\\a\\b\\c\\d\\Five"),
                                     MakeInstallation(tree, L"Servers\\One\\Inside"),
                                     MakeInstallation(tree, L"Elsewhere\\Linked"),
                                     // Named as Windows would open a device: no folder to install into.
                                     device(L"Servers\\CON"), device(L"Servers\\aux.d")};
    const FolderLink link(tree.Folder(L"Servers\\Link"), tree.Path(L"Elsewhere"));
    ASSERT_TRUE(link.Made());

    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/scan", root + L"\\") + L" " +
                  Quoted(L"/log", log_)),
              0u)
        << Log();
    for (const std::wstring& folder : found) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    for (const std::wstring& folder : notFound) EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
    // The root, One, Empty, Deeper, a, Two, b, Three, c, Four and d (at depth 4, not looked
    // into): the link is not opened.
    EXPECT_TRUE(LogHas(L"scanned: " + root + L": 11 folders looked at, 4 installation folders found")) << Log();
    EXPECT_TRUE(LogHas(L"installation folder, found by /scan=: " + found[3])) << Log();

    // The cap ends the walk, and says so.
    const ScanResult capped = ScanForInstallations(root, {4, 3});
    EXPECT_TRUE(capped.capped);
    EXPECT_EQ(capped.visited, 3u);
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/scan", root + L"\\Missing") + L" " +
                  Quoted(L"/log", log_)),
              1u);
    EXPECT_TRUE(LogHas(L"nothing installed: no MetaTrader 4 installation folder to install into")) << Log();
    // A root that opens but cannot be listed, a file, is no scan made either.
    const std::wstring notes = root + L"\\notes.txt";
    EXPECT_EQ(Run(L"/silent /accept-agreement /skip-registry " + Quoted(L"/scan", root) + L" " + Quoted(L"/scan", notes) +
                  L" " + Quoted(L"/log", log_)),
              1u)
        << Log();
    EXPECT_NE(Log().find(Utf8(L"scan not made: " + notes + L": error ", false)), std::string::npos) << Log();
    // The inventory of a scan not made is written, and is no success either.
    const std::wstring status = tree.Path(L"status.json");
    EXPECT_EQ(Run(L"/silent /skip-registry " + Quoted(L"/status", status) + L" " + Quoted(L"/scan", root + L"\\Missing")), 1u);
    ReadStatus(status);
    EXPECT_NE(ReadBytes(status).find("\"opened\": false"), std::string::npos) << ReadBytes(status);
}

// One line of the log per item, without its line breaks.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

TEST_F(SilentRun, AgentsSpellingsInstallWithoutAWindowAndTheLogOpensWithWhatSupportReadsFirst) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    EXPECT_EQ(Run(L"/q /norestart " + Quoted(L"/log", log_)), 2u) << "no consent, as with /silent";
    EXPECT_TRUE(LogHas(L"nothing installed: /accept-agreement was not given")) << Log();
    const std::wstring arguments = L"/quiet /accept-agreement /NORESTART /SP- " + Quoted(L"/log", log_);
    EXPECT_EQ(Run(arguments), 0u) << Log();
    EXPECT_TRUE(HasExpert(a));

    const std::vector<std::string> lines = LinesOf(Log());
    ASSERT_GE(lines.size(), 8u) << Log();
    const std::string expert = ResourceBytes(L"EXPERT");
    const std::string digest = Narrow(HexText(*Sha256Of({reinterpret_cast<const BYTE*>(expert.data()), expert.size()})));
    const std::string header[] = {
        R"(Mervane 4 Setup \d+\.\d+\.\d+, unattended run, agreement language English)",
        R"(started: \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC)",
        "expert: SHA-256 " + digest + ", " + std::to_string(expert.size()) + " bytes",
        R"(account: .+ \(S-1-5-[-0-9]+\), session \d+)",
        "as SYSTEM: no, for all users: no",
        R"(Windows: \d+\.\d+\.\d+(\.\d+)?)",
    };
    for (size_t i = 0; i < std::size(header); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(header[i]))) << lines[i] << "\nis not\n" << header[i];
    EXPECT_EQ(lines[6], Narrow(L"command line: \"" + BuiltProgram(L"Mervane4Setup.exe") + L"\" " + arguments));
    for (size_t i = 7; i < lines.size(); ++i) EXPECT_TRUE(std::regex_search(lines[i], std::regex(R"(^\[\d+ ms\] )"))) << lines[i];

    // /LOG alone: the running account's temporary folder.
    const std::wstring temporary = ReadSwitches({L"/log"}).logPath;
    DeleteFileW(temporary.c_str());
    EXPECT_EQ(Run(L"/qn /accept-agreement /LOG"), 0u);
    EXPECT_NE(ReadBytes(temporary).find("] exit code 0\r\n"), std::string::npos) << Narrow(temporary);
    DeleteFileW(temporary.c_str());
}

// A window station that is not interactive, as a service's: nobody could answer a window there.
class HiddenStation {
public:
    HiddenStation() : station_(CreateWindowStationW(L"MervaneTests", 0, WINSTA_ALL_ACCESS, nullptr)) {
        const HWINSTA own = GetProcessWindowStation();
        if (station_ && SetProcessWindowStation(station_)) {
            desktop_ = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
    }
    ~HiddenStation() {
        if (desktop_) CloseDesktop(desktop_);
        if (station_) CloseWindowStation(station_);
    }
    HiddenStation(const HiddenStation&) = delete;
    HiddenStation& operator=(const HiddenStation&) = delete;
    bool Made() const { return desktop_ != nullptr; }
    static constexpr const wchar_t* kDesktop = L"MervaneTests\\Default";

private:
    HWINSTA station_;
    HDESK desktop_ = nullptr;
};

TEST_F(SilentRun, WhereNobodyCanAnswerNoWindowOpensAndTheLogSaysWhatToAdd) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const HiddenStation station;
    ASSERT_TRUE(station.Made());
    for (const wchar_t* arguments : {L"/de", L"/?", L"/accept-agreement /folder=C:\\MT4"}) {
        TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"), std::wstring(arguments) + L" " + Quoted(L"/log", log_),
                           false, -1, HiddenStation::kDesktop);
        EXPECT_EQ(wizard.WaitForExit(30000), 2u) << Narrow(arguments);
        EXPECT_TRUE(LogHas(L"no window opened: nobody can answer one here (session 0, or a window station that is not "
                           L"interactive); add /silent /accept-agreement to the command line to install"))
            << Log();
        EXPECT_TRUE(LogHas(L"exit code 2")) << Log();
    }
    // The removal that Apps & Features starts: the advice is the one a removal takes.
    TestProcess removal(BuiltProgram(L"Mervane4Setup.exe"), L"/remove " + Quoted(L"/log", log_), false, -1,
                        HiddenStation::kDesktop);
    EXPECT_EQ(removal.WaitForExit(30000), 2u);
    EXPECT_TRUE(LogHas(L"interactive); add /silent to the command line to remove")) << Log();
    EXPECT_EQ(ReadBytes(Expert(a)), "<missing>");
    // /passive takes no input: there it installs as the silent run does.
    TestProcess passive(BuiltProgram(L"Mervane4Setup.exe"), L"/passive /accept-agreement " + Quoted(L"/log", log_), false,
                        -1, HiddenStation::kDesktop);
    EXPECT_EQ(passive.WaitForExit(60000), 0u) << Log();
    EXPECT_TRUE(HasExpert(a));
}

// A user profile in the machine's profile list, gone with the object. With `hiveAppData`, that
// user's hive is loaded (signed in) and names their roaming data so.
class ListedProfile {
public:
    ListedProfile(const std::wstring& sid, const std::wstring& folder, const std::wstring& hiveAppData = {}) : sid_(sid) {
        SetString(HKEY_LOCAL_MACHINE, kList + sid, L"ProfileImagePath", folder, REG_EXPAND_SZ);
        if (!hiveAppData.empty()) SetString(HKEY_USERS, sid + kShellFolders, L"AppData", hiveAppData, REG_EXPAND_SZ);
    }
    ~ListedProfile() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kList + sid_).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kList + sid_).c_str());
        RegDeleteTreeW(HKEY_USERS, sid_.c_str());
        RegDeleteKeyW(HKEY_USERS, sid_.c_str());
    }
    ListedProfile(const ListedProfile&) = delete;
    ListedProfile& operator=(const ListedProfile&) = delete;

private:
    static void SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value, DWORD type) {
        HKEY opened = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr), ERROR_SUCCESS);
        RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    static inline const std::wstring kList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    static inline const std::wstring kShellFolders = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::wstring sid_;
};

// A terminal's data folder below another user's roaming data, its marker naming `installation`.
std::wstring DataFolderBelow(const std::wstring& appData, const std::wstring& installation) {
    const std::wstring folder = appData + L"\\MetaQuotes\\Terminal\\0123456789ABCDEF0123456789ABCDEF";
    for (const wchar_t* part : {L"\\MetaQuotes", L"\\MetaQuotes\\Terminal", L"\\MetaQuotes\\Terminal\\0123456789ABCDEF0123456789ABCDEF",
                                L"\\MetaQuotes\\Terminal\\0123456789ABCDEF0123456789ABCDEF\\MQL4",
                                L"\\MetaQuotes\\Terminal\\0123456789ABCDEF0123456789ABCDEF\\MQL4\\Experts"})
        CreateDirectoryW((appData + part).c_str(), nullptr);
    WriteBytes(folder + L"\\origin.txt", Utf16Le(installation, true));
    return folder;
}

TEST_F(SilentRun, ForAllUsersEveryProfilesDataFoldersAndThePublicDesktopAndTheSameSetForStatusAndRemoval) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);  // the running account's own profile
    const TempTree& tree = machine_.Tree();
    const std::wstring second = tree.Folder(L"Profiles\\second"), third = tree.Folder(L"Profiles\\third");
    const std::wstring missing = tree.Path(L"Profiles\\missing");
    const ListedProfile signedIn(L"S-1-5-21-7-7-7-1001", second, L"%USERPROFILE%\\Roaming Elsewhere");
    const ListedProfile notSignedIn(L"S-1-5-21-7-7-7-1002", third);
    const ListedProfile gone(L"S-1-5-21-7-7-7-1003", missing);
    const std::wstring dataSecond = DataFolderBelow(tree.Folder(L"Profiles\\second\\Roaming Elsewhere"), a);
    const std::wstring dataThird = DataFolderBelow(tree.Folder(L"Profiles\\third\\AppData\\Roaming"), a);
    const std::wstring publicShortcut = SpecialFolderPath(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Mervane 4 User Guide.url";
    DeleteFileW(publicShortcut.c_str());

    EXPECT_EQ(Run(L"/silent /accept-agreement /all-users " + Quoted(L"/log", log_)), 0u) << Log();
    for (const std::wstring& folder : {a, dataA, dataSecond, dataThird}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_EQ(ReadBytes(publicShortcut), LinkBytes());
    EXPECT_EQ(ReadBytes(shortcut_), "<missing>") << "not the running account's desktop";
    EXPECT_TRUE(LogHas(L"as SYSTEM: no, for all users: yes")) << Log();
    EXPECT_TRUE(LogHas(L"profile passed over: S-1-5-21-7-7-7-1003, " + missing + L": the profile folder is missing")) << Log();
    EXPECT_TRUE(LogHas(L"profile: S-1-5-21-7-7-7-1001, " + second + L", data folders: " + dataSecond)) << Log();
    EXPECT_TRUE(LogHas(L"profile: S-1-5-21-7-7-7-1002, " + third + L", data folders: " + dataThird)) << Log();

    const std::wstring status = tree.Path(L"status.json");
    EXPECT_EQ(Run(L"/silent /all-users " + Quoted(L"/status", status)), 0u);
    const Json inventory = ReadStatus(status);
    EXPECT_TRUE(inventory["allUsers"].boolean);
    const Json& installation = inventory["installations"].Where("folder", a);
    std::vector<std::wstring> dataFolders;
    for (const Json& folder : installation["dataFolders"].items) dataFolders.push_back(folder.text);
    std::sort(dataFolders.begin(), dataFolders.end());
    std::vector<std::wstring> expected = {dataA, dataSecond, dataThird};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dataFolders, expected);
    EXPECT_EQ(inventory["summary"]["copiesPresent"].number, 4.0);
    EXPECT_EQ(inventory["summary"]["copiesSameAsEmbedded"].number, 4.0);

    EXPECT_EQ(Run(L"/silent /remove /all-users " + Quoted(L"/log", log_)), 0u) << Log();
    for (const std::wstring& folder : {a, dataA, dataSecond, dataThird})
        EXPECT_EQ(ReadBytes(Expert(folder)), "<missing>") << Narrow(folder);
    EXPECT_EQ(ReadBytes(publicShortcut), "<missing>");
}

TEST_F(SilentRun, PassiveShowsTheInstallingPageAloneTakesNoInputAndEndsByItself) {
    const std::wstring a = machine_.AddTerminal(L"Terminal A");
    const std::wstring dataA = machine_.AddDataFolder(a);
    // A terminal slow to answer keeps the installation on its page a while.
    const StandInTerminal slow(L"--slow=3000");
    WizardDriver passive(L"/passive /accept-agreement " + Quoted(L"/log", log_));
    ASSERT_TRUE(passive.Started());
    ASSERT_TRUE(passive.WaitFor(WizardPage::Installing));
    for (int button : {kButtonClose, kButtonBack, kButtonNext}) EXPECT_FALSE(IsWindowVisible(passive.Button(button)));
    // Where the close button stands, a click; then Alt+F4: the window takes neither.
    passive.Click(passive.Button(kButtonClose));
    passive.Press(VK_F4, {VK_MENU});
    ASSERT_TRUE(passive.WaitFor(WizardPage::Finished, 30000)) << Log();
    const ULONGLONG finished = GetTickCount64();
    EXPECT_EQ(WindowText(passive.Control(kFinishedText)), Text(TextId::Installed, Language::English));
    EXPECT_EQ(passive.WaitForExit(15000), 0u) << Log();
    EXPECT_GE(GetTickCount64() - finished, 1500u) << "the Finished text stays two seconds";
    for (const std::wstring& folder : {a, dataA}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_EQ(ReadBytes(shortcut_), LinkBytes());
    EXPECT_TRUE(LogHas(L"exit code 0")) << Log();

    // The consent rule of the silent run: without it no window, nothing written, 2.
    EXPECT_EQ(Run(L"/passive " + Quoted(L"/log", log_)), 2u);
    EXPECT_TRUE(LogHas(L"nothing installed: /accept-agreement was not given")) << Log();
}

}  // namespace
