// The text table and language files, against real files read and written by the profile functions.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using purgeon::test::ReadFileBytes;
using purgeon::test::ReadUtf16File;
using purgeon::test::ScratchFolder;
using purgeon::test::Utf16Bytes;
using purgeon::test::WriteFileBytes;

namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t at; (at = text.find(L"\r\n", start)) != std::wstring::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::wstring FromAcp(const std::string& bytes) {
    std::wstring out(bytes.size(), L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

// A complete language file whose every text differs from English but keeps its placeholders.
std::wstring MarkedLanguage(const std::wstring& mark) {
    std::wstring text = L"[Language]\r\n";
    for (int i = 0; i < kTextKeyCount; ++i) {
        auto key = static_cast<TextKey>(i);
        std::wstring value = mark + LangDefaultText(key);
        if (IsMultiLineText(key)) value = ConvertLineBreaks(value, LineBreaks::ForFile);
        text += Trim(LangKeyName(key)) + L"=" + value + L"\r\n";
    }
    return text;
}

std::wstring Marked(const std::wstring& mark, TextKey key) {
    std::wstring value = mark + LangDefaultText(key);
    // What the reader makes of it: blanks at the ends go.
    return IsMultiLineText(key) ? ConvertLineBreaks(value, LineBreaks::ForDisplay) : Trim(value);
}

struct BoxRecorder {
    std::vector<std::wstring> shown;
    SaveFailedBox box() {
        return [this](const std::wstring& text) { shown.push_back(text); };
    }
};

class LanguageFiles : public ::testing::Test {
protected:
    void SetUp() override { ResetLanguageTable(); }
    void TearDown() override { ResetLanguageTable(); }
    std::wstring Write(const std::wstring& name, const std::wstring& content) {
        std::wstring path = dir.path() + name;
        WriteFileBytes(path, Utf16Bytes(content));
        return path;
    }
    bool Load(const std::wstring& path) { return LoadLanguage(path, boxes.box()); }

    ScratchFolder dir{L"i18n"};
    BoxRecorder boxes;
};

}  // namespace

TEST(Placeholders, SignatureByConversionKind) {
    struct Case {
        const wchar_t* text;
        const wchar_t* signature;  // nullptr: not a safe format
    } cases[] = {
        {L"", L""},
        {L"Plain text", L""},
        {L"100%% sure", L""},
        {L"%%d", L""},
        {L"%s", L"s"},
        {L"%5s", L"s"},
        {L"%-10s|", L"s"},
        {L"%-3d", L"d"},
        {L"%x %u %i %c", L"dddd"},
        {L"%ld", L"d"},  // long is 32 bits here
        {L"%lld %I64u %zu", L"DDD"},
        {L"Size:  %.2f M", L"f"},
        {L"%10.3e %g %Lf", L"ffF"},
        {L"%*d", L"dd"},
        {L"%.*s", L"ds"},
        {L"%S %hs %ls %lS %ws", L"aasss"},
        {L"%p", L"p"},
        {L"%s and %d", L"sd"},
        {L"%d and %s", L"ds"},
        {L"50%", nullptr},
        {L"%-", nullptr},
        {L"%n", nullptr},
        {L"%5n", nullptr},
        {L"%1$s", nullptr},
        {L"%q", nullptr},
        {L"50% off", L"d"},  // "% o" is a conversion with the blank flag
    };
    for (const Case& c : cases) {
        std::optional<std::wstring> got = PlaceholderSignature(c.text);
        if (c.signature) {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_EQ(*got, c.signature) << c.text;
        } else {
            EXPECT_FALSE(got.has_value()) << c.text << L" -> " << got.value_or(L"");
        }
    }
    EXPECT_TRUE(SamePlaceholders(L"Gr\u00f6\u00dfe: %5.1f MB", L"Size:  %.2f M"));
    EXPECT_FALSE(SamePlaceholders(L"Gr\u00f6\u00dfe: %s MB", L"Size:  %.2f M"));
    EXPECT_FALSE(SamePlaceholders(L"%s %s", L"%s"));
    EXPECT_FALSE(SamePlaceholders(L"", L"%s"));
    EXPECT_FALSE(SamePlaceholders(L"%n", L"%n"));
}

TEST(TextTable, DefaultsAreSafeFormatsAndKeysAreUnique) {
    int formats = 0;
    for (int i = 0; i < kTextKeyCount; ++i) {
        auto key = static_cast<TextKey>(i);
        std::optional<std::wstring> signature = PlaceholderSignature(LangDefaultText(key));
        ASSERT_TRUE(signature.has_value()) << LangKeyName(key);
        // Counted among the table's first texts; texts added after them have formats of their own.
        if (!signature->empty() && i <= IDS_MESSAGEBOX_WARNING_SaveFileFailed) ++formats;
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(EqualsNoCase(Trim(LangKeyName(key)), Trim(LangKeyName(static_cast<TextKey>(j)))))
                << LangKeyName(key);
        EXPECT_EQ(LangText(key), LangDefaultText(key));
    }
    EXPECT_EQ(formats, 7);
    EXPECT_EQ(*PlaceholderSignature(LangDefaultText(IDS_LISTVIEW_TIPS_Size)), L"f");
    EXPECT_EQ(std::wstring(LangKeyName(IDS_LISTVIEW_RIGHTCLICK_Uninstall)), L"IDS_LISTVIEW_RIGHTCLICK_Uninstall  ");
    EXPECT_EQ(std::wstring(LangKeyName(IDS_MESSAGEBOX_WARNING_DeleteScr)), L"IDS_MESSAGEBOX_WARNING_DeleteScr ");
}

TEST(LineBreaks, BothDirections) {
    EXPECT_EQ(ConvertLineBreaks(L"  one #13two\t", LineBreaks::ForDisplay), L"one \r\ntwo");
    EXPECT_EQ(ConvertLineBreaks(L"#13#13", LineBreaks::ForDisplay), L"\r\n\r\n");
    EXPECT_EQ(ConvertLineBreaks(L"#1 3", LineBreaks::ForDisplay), L"#1 3");
    EXPECT_EQ(ConvertLineBreaks(L"a\r\nb\nc\rd", LineBreaks::ForFile), L"a#13b#13c#13d");
    EXPECT_EQ(ConvertLineBreaks(L"a\n\r\nb", LineBreaks::ForFile), L"a#13#13b");
    // Breaks at the ends are trimmed before they are converted.
    EXPECT_EQ(ConvertLineBreaks(L"\r\n a \r\n", LineBreaks::ForFile), L"a");
    EXPECT_EQ(ConvertLineBreaks(L"", LineBreaks::ForFile), L"");
}

TEST_F(LanguageFiles, MissingFileIsCreatedAsUnicodeWithEveryKeyInOrderAndReadsBackExactly) {
    const std::wstring path = dir.path() + L"English.ini";
    ASSERT_TRUE(Load(path));
    EXPECT_TRUE(boxes.shown.empty());

    std::vector<std::wstring> lines = Lines(ReadUtf16File(path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kTextKeyCount) + 1);
    EXPECT_EQ(lines[0], L"[Language]");
    for (int i = 0; i < kTextKeyCount; ++i) {
        auto key = static_cast<TextKey>(i);
        const std::wstring& line = lines[i + 1];
        std::wstring fileKey = Trim(line.substr(0, line.find(L'=')));
        EXPECT_TRUE(EqualsNoCase(fileKey, Trim(LangKeyName(key)))) << line;
        EXPECT_EQ(line.find(L'\r'), std::wstring::npos) << line;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"IDS_MESSAGEBOX_WARNING_NoRemains=No files or registry keys left!"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"IDS_MESSAGEBOX_WARNING_ScanRemains=May be some registry keys or files were not completly "
                        L"removed, #13would you like to remove them?"),
              lines.end());
    // A value with a blank at an end is quoted so that the blank survives the reader.
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"IDS_SIDEBAR_GROUPBOX_LABEL_Publisher=\"Publisher: \""),
              lines.end());

    // Every text in force differs; reading the created file brings back each default exactly.
    ASSERT_TRUE(Load(Write(L"Marked.ini", MarkedLanguage(L"\u00a7"))));
    ASSERT_EQ(LangText(IDS_MAINFORM_MENU_File), L"\u00a7File");
    ASSERT_TRUE(Load(path));
    for (int i = 0; i < kTextKeyCount; ++i) {
        auto key = static_cast<TextKey>(i);
        EXPECT_EQ(LangText(key), LangDefaultText(key)) << LangKeyName(key);
    }
}

TEST_F(LanguageFiles, MissingKeysKeepTheTextsInForceAlsoAfterASwitch) {
    ASSERT_TRUE(Load(Write(L"Full.ini", MarkedLanguage(L"\u00a7"))));
    for (int i = 0; i < kTextKeyCount; ++i)
        ASSERT_EQ(LangText(static_cast<TextKey>(i)), Marked(L"\u00a7", static_cast<TextKey>(i))) << i;

    ASSERT_TRUE(Load(Write(L"Partial.ini", L"[Language]\r\nIDS_MAINFORM_MENU_View=Ansicht\r\n"
                                           L"IDS_SIDEBAR_GROUPBOX_LABEL_Publisher=\r\n"
                                           L"[Other]\r\nIDS_MAINFORM_MENU_Tools=not this section\r\n")));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_View), L"Ansicht");
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher), L"");  // present but empty
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_Tools), L"\u00a7Tools");
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version), L"\u00a7Version:");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_ScanRemains), Marked(L"\u00a7", IDS_MESSAGEBOX_WARNING_ScanRemains));

    // From English: a kept text keeps its blanks too (the reader would trim them off a default).
    ResetLanguageTable();
    ASSERT_TRUE(Load(dir.path() + L"Partial.ini"));
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version), L"Version: ");
    EXPECT_EQ(LangText(IDS_PRINTFORM_MEMO_UserName), L"User Name : ");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LanguageFiles, LineBreakMarkersOnlyInTheFourMultiLineEntries) {
    ASSERT_TRUE(Load(Write(L"Breaks.ini", L"[Language]\r\n"
                                          L"IDS_MESSAGEBOX_WARNING_ScanRemains=  \"  first#13second  \"\r\n"
                                          L"IDS_MESSAGEBOX_WARNING_DeleteStartupEntry=first#13second\r\n"
                                          L"IDS_SPLASHFORM_LABEL_Copyright=(C) Us#13#13Them\r\n")));
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_ScanRemains), L"first\r\nsecond");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry), L"first#13second");
    EXPECT_EQ(LangText(IDS_SPLASHFORM_LABEL_Copyright), L"(C) Us\r\n\r\nThem");

    // Written back, the breaks become markers again and the file reads the same.
    const std::wstring copy = dir.path() + L"Copy.ini";
    ASSERT_TRUE(SaveLanguage(copy));
    std::vector<std::wstring> lines = Lines(ReadUtf16File(copy));
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"IDS_SPLASHFORM_LABEL_Copyright=(C) Us#13#13Them"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"IDS_MESSAGEBOX_WARNING_DeleteStartupEntry=first#13second"),
              lines.end());
    ResetLanguageTable();
    ASSERT_TRUE(Load(copy));
    EXPECT_EQ(LangText(IDS_SPLASHFORM_LABEL_Copyright), L"(C) Us\r\n\r\nThem");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry), L"first#13second");
}

TEST_F(LanguageFiles, LongValuesAreCutTo2047Characters) {
    std::wstring value;
    for (int i = 0; i < 3000; ++i) value += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(Load(Write(L"Long.ini", L"[Language]\r\nIDS_ABOUTFORM_LABEL_Warning=" + value + L"\r\n"
                                        L"IDS_ABOUTFORM_BUTTON_Ok=Fine\r\n")));
    EXPECT_EQ(LangText(IDS_ABOUTFORM_LABEL_Warning), value.substr(0, 2047));
    EXPECT_EQ(LangText(IDS_ABOUTFORM_BUTTON_Ok), L"Fine");
}

TEST_F(LanguageFiles, KeysMatchWhateverTheirCaseAndBlanks) {
    ASSERT_TRUE(Load(Write(L"Keys.ini", L"[language]\r\n"
                                        L"ids_listview_rightclick_uninstall=Entfernen\r\n"
                                        L"IDS_SIDEBAR_BUTTON_UnSelectAll=Alle deaktivieren\r\n"
                                        L"  IDS_SCANFORM_LABEL_Scaning   =  Suche:  \r\n"
                                        L"IDS_MESSAGEBOX_WARNING_NOREMAINS=Nichts \u00fcbrig!\r\n"
                                        L"IDS_MAINFORM_MENU_FILE_NEWPROGRAM=\"Neues Programm\"\r\n")));
    EXPECT_EQ(LangText(IDS_LISTVIEW_RIGHTCLICK_Uninstall), L"Entfernen");
    EXPECT_EQ(LangText(IDS_SIDEBAR_BUTTON_UnSelectAll), L"Alle deaktivieren");
    EXPECT_EQ(LangText(IDS_SCANFORM_LABEL_Scaning), L"Suche:");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_Noremains), L"Nichts \u00fcbrig!");
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_FILE_NewProgram), L"Neues Programm");

    // Keys spelt with their trailing blanks, as the program writes them, read too.
    ASSERT_TRUE(Load(Write(L"Blanks.ini", L"[Language]\r\nIDS_SIDEBAR_BUTTON_UnSelectAll =Aus\r\n"
                                          L"IDS_LISTVIEW_RIGHTCLICK_Uninstall  =Weg\r\n")));
    EXPECT_EQ(LangText(IDS_SIDEBAR_BUTTON_UnSelectAll), L"Aus");
    EXPECT_EQ(LangText(IDS_LISTVIEW_RIGHTCLICK_Uninstall), L"Weg");
}

TEST_F(LanguageFiles, TextsWithOtherPlaceholdersKeepThePreviousText) {
    ASSERT_TRUE(Load(Write(L"Good.ini", L"[Language]\r\n"
                                        L"IDS_LISTVIEW_TIPS_Size=Gr\u00f6\u00dfe: %.2f MB\r\n"
                                        L"IDS_PRINTFORM_MEMO_Title=Bericht f\u00fcr %s\r\n"
                                        L"IDS_MAINFORM_MENU_File=Datei\r\n")));
    ASSERT_TRUE(Load(Write(L"Broken.ini", L"[Language]\r\n"
                                          L"IDS_LISTVIEW_TIPS_Size=Gr\u00f6\u00dfe: %s MB\r\n"
                                          L"IDS_PRINTFORM_MEMO_Title=%s %s\r\n"
                                          L"IDS_MESSAGEBOX_WARNING_SaveFileFailed=Fehler\r\n"
                                          L"IDS_MAINFORM_MENU_File=100%\r\n"
                                          L"IDS_MAINFORM_MENU_View=%n%n%n\r\n"
                                          L"IDS_LISTVIEW_TIPS_ScrName=Name: %-20s\r\n"
                                          L"IDS_MAINFORM_MENU_Tools=Extras 100%%\r\n")));
    EXPECT_EQ(LangText(IDS_LISTVIEW_TIPS_Size), L"Gr\u00f6\u00dfe: %.2f MB");
    EXPECT_EQ(LangText(IDS_PRINTFORM_MEMO_Title), L"Bericht f\u00fcr %s");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed), L"Save file %s failed!");
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), L"Datei");
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_View), L"View");
    // Same arguments in another width, or a literal percent sign: accepted.
    EXPECT_EQ(LangText(IDS_LISTVIEW_TIPS_ScrName), L"Name: %-20s");
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_Tools), L"Extras 100%%");
}

TEST_F(LanguageFiles, EightBitAndUnicodeFilesBothRead) {
    const std::string eightBit = "Datei \xE4\xF6\xFC";
    const std::wstring ansiPath = dir.path() + L"Ansi.ini";
    WriteFileBytes(ansiPath, "[Language]\r\nIDS_MAINFORM_MENU_File=" + eightBit + "\r\nIDS_MAINFORM_MENU_View=View 8\r\n");
    ASSERT_TRUE(Load(ansiPath));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), FromAcp(eightBit));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_View), L"View 8");

    ASSERT_TRUE(Load(Write(L"Wide.ini", L"[Language]\r\nIDS_MAINFORM_MENU_File=\u6587\u4ef6\r\n"
                                        L"IDS_MAINFORM_MENU_View=\u0412\u0438\u0434 \U0001F50D\r\n")));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), L"\u6587\u4ef6");
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_View), L"\u0412\u0438\u0434 \U0001F50D");
}

// Every translation that ships, whatever it is called: each must carry the whole live key list.
// English is the built-in table; the program writes its file itself.
static std::vector<std::wstring> ShippedLanguageFiles() {
    std::vector<std::wstring> names;
    for (const LanguageMenuEntry& entry : ListLanguageFiles(purgeon::test::BinDir() + L"Langs\\", L""))
        if (!EqualsNoCase(entry.fileName, L"English.ini")) names.push_back(entry.fileName);
    return names;
}

TEST_F(LanguageFiles, ShippedTranslationsAreCompleteAndKeepEveryPlaceholder) {
    const std::vector<std::wstring> shipped = ShippedLanguageFiles();
    for (const wchar_t* expected : {L"Deutsch.ini", L"Chinese.ini", L"French.ini", L"Russian.ini"})
        EXPECT_NE(std::find(shipped.begin(), shipped.end(), expected), shipped.end()) << ToUtf8(expected);
    for (const std::wstring& name : shipped) {
        SCOPED_TRACE(ToUtf8(name));
        const std::wstring path = purgeon::test::BinDir() + L"Langs\\" + name;
        ASSERT_TRUE(FileExists(path));
        std::string bytes = ReadFileBytes(path);
        ASSERT_EQ(bytes.compare(0, 2, "\xFF\xFE"), 0) << "UTF-16LE with a BOM";
        std::wstring text = ReadUtf16File(path);
        EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), std::count(text.begin(), text.end(), L'\r'))
            << "CRLF line ends";

        // No key beyond the table's.
        wchar_t names[16384];
        DWORD length = GetPrivateProfileStringW(kLanguageSection, nullptr, L"", names, 16384, path.c_str());
        int keys = 0;
        for (const wchar_t* p = names; p < names + length && *p; p += wcslen(p) + 1) ++keys;
        EXPECT_EQ(keys, kTextKeyCount);

        ResetLanguageTable();
        ASSERT_TRUE(Load(path));
        for (int i = 0; i < kTextKeyCount; ++i) {
            auto key = static_cast<TextKey>(i);
            wchar_t raw[2048];
            GetPrivateProfileStringW(kLanguageSection, LangKeyName(key), L"<absent>", raw, 2048, path.c_str());
            EXPECT_NE(std::wstring(raw), L"<absent>") << LangKeyName(key);
            EXPECT_TRUE(SamePlaceholders(raw, LangDefaultText(key))) << LangKeyName(key) << L": " << raw;
            // Line breaks where English has them, and only there.
            bool englishBreaks = std::wstring(LangDefaultText(key)).find(L"\r\n") != std::wstring::npos;
            EXPECT_EQ(std::wstring(raw).find(L"#13") != std::wstring::npos, englishBreaks) << LangKeyName(key);
            std::wstring expected = IsMultiLineText(key) ? ConvertLineBreaks(raw, LineBreaks::ForDisplay) : raw;
            EXPECT_EQ(LangText(key), expected) << LangKeyName(key);
            EXPECT_FALSE(LangText(key).empty()) << LangKeyName(key);
        }
        EXPECT_NE(LangText(IDS_MAINFORM_MENU_File), L"File");
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LanguageFiles, UncreatableFileShowsTheBoxOnceAndKeepsTheTexts) {
    const std::wstring path = dir.path() + L"NoSuchFolder\\English.ini";
    EXPECT_FALSE(Load(path));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], L"Save file " + path + L" failed!");
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), L"File");

    // A folder in the file's place: nothing to read, nothing written.
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"Folder.ini").c_str(), nullptr));
    EXPECT_FALSE(Load(dir.path() + L"Folder.ini"));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

// A language or skin file that is there but cannot be read is said, with the system's reason,
// rather than read as a file without keys.
TEST_F(LanguageFiles, AFileThatCannotBeReadShowsTheBoxWithTheReason) {
    const std::wstring language = Write(L"Held.ini", MarkedLanguage(L"held "));
    const std::wstring skin = Write(L"HeldSkin.ini", L"[Main]\r\n");
    for (const std::wstring& path : {language, skin}) {
        SCOPED_TRACE(ToUtf8(path));
        boxes.shown.clear();
        {
            UniqueHandle held = AdoptFileHandle(
                CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held);
            EXPECT_FALSE(path == language ? Load(path) : LoadSkin(path, boxes.box()));
        }
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0], ReadFailedText(path, SystemErrorText(ERROR_SHARING_VIOLATION)));
        EXPECT_EQ(boxes.shown[0].rfind(L"Reading file " + path + L" failed: ", 0), 0u) << ToUtf8(boxes.shown[0]);
    }
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), L"File");
    EXPECT_TRUE(Load(language));  // once let go, it reads
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), L"held File");
}

TEST_F(LanguageFiles, BareFileNameMeansTheCurrentFolderForCreatingAndReading) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    bool loaded = Load(L"Bare.ini");
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(Lines(ReadUtf16File(dir.path() + L"Bare.ini")).size(), static_cast<size_t>(kTextKeyCount) + 1);
}

TEST_F(LanguageFiles, MenuListsIniFilesByCaptionAndMarksTheCurrentOne) {
    WriteFileBytes(dir.path() + L"English.ini", "");
    WriteFileBytes(dir.path() + L"Deutsch.ini", "");
    WriteFileBytes(dir.path() + L"Chinese.simplified.ini", "");
    WriteFileBytes(dir.path() + L"readme.txt", "");
    WriteFileBytes(dir.path() + L".ini", "");
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"Old.ini").c_str(), nullptr));

    std::vector<LanguageMenuEntry> entries = ListLanguageFiles(dir.path(), L"C:\\Elsewhere\\DEUTSCH.INI");
    std::sort(entries.begin(), entries.end(),
              [](const LanguageMenuEntry& a, const LanguageMenuEntry& b) { return a.caption < b.caption; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].caption, L"Chinese");
    EXPECT_EQ(entries[0].fileName, L"Chinese.simplified.ini");
    EXPECT_EQ(entries[1].caption, L"Deutsch");
    EXPECT_EQ(entries[2].caption, L"English");
    EXPECT_FALSE(entries[0].current);
    EXPECT_TRUE(entries[1].current);
    EXPECT_FALSE(entries[2].current);

    EXPECT_EQ(LanguageFileOfCaption(dir.path(), L"Deutsch"), dir.path() + L"Deutsch.ini");
    EXPECT_FALSE(LanguageFileOfCaption(dir.path(), L"Chinese").has_value());
    EXPECT_FALSE(LanguageFileOfCaption(dir.path(), L"Old").has_value());
    EXPECT_TRUE(ListLanguageFiles(dir.path() + L"Missing\\", L"English.ini").empty());
}
