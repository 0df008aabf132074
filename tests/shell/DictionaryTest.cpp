// Quorva run-time. Licensed under the MIT licence.
#include "shell/Dictionary.h"

#include "TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <latch>
#include <limits>
#include <string>
#include <thread>

namespace {

using shell::Dictionary;
using shell::ParseDictionary;
using Columns = std::array<std::string, shell::DictionaryColumns>;

// A dictionary in `language` loaded from `dico` as at start-up (column 1 folded).
void Load(Dictionary& dictionary, int language, std::string_view dico) {
    dictionary.Initialise(language, std::nullopt, dico);
}

TEST(Dictionary, ColumnsAreSearchedInOrderWithFallbackToEnglishThenInput) {
    Dictionary dictionary;
    Load(dictionary, 2,
         "Colonne\tColumn\r\nFichier\tFile\t\tDatei\r\nSeul\t\t\tAllein\r\n"
         "Ouvrir\tOpen\tAprire\r\nOpen\tOpenX\tAperto\r\nColonne\tPillar\r\n");
    EXPECT_EQ(dictionary.Translate("Colonne"), "Column"); // the first entry wins
    EXPECT_EQ(dictionary.Translate("Column"), "Column");  // already in the language
    dictionary.SetLanguageNumber(3);
    EXPECT_EQ(dictionary.Translate("Datei"), "File");  // found in column 4, no Italian
    EXPECT_EQ(dictionary.Translate("Seul"), "Seul");   // no Italian nor English: the input
    EXPECT_EQ(dictionary.Translate("Open"), "Aperto"); // column 1 of all before column 2
    dictionary.SetLanguageNumber(4);
    EXPECT_EQ(dictionary.Translate("File"), "Datei");
}

TEST(Dictionary, InputEndingWithSpaceGetsOneSpaceOnItsTranslation) {
    Dictionary dictionary;
    Load(dictionary, 2, "Valeur \tValue\nNom \tName \nVide \t\n");
    EXPECT_EQ(dictionary.Translate("Valeur "), "Value ");
    EXPECT_EQ(dictionary.Translate("Nom "), "Name  "); // the translation's own space is kept
    EXPECT_EQ(dictionary.Translate("Vide "), "Vide "); // untranslated: the input as it is
    // An unknown text keeps exactly its own space when it is looked up again.
    EXPECT_EQ(dictionary.Translate("Inconnu "), "Inconnu ");
    EXPECT_EQ(dictionary.Translate("Inconnu "), "Inconnu ");
}

TEST(Dictionary, NumbersSourceLanguageAndSwitchedOffTextsStayUnchanged) {
    Dictionary dictionary;
    Load(dictionary, 2, "12.5\tdouze\nColonne\tColumn\n");
    for (const char* number : {"12.5", " 42\t", "-3", "+7", ".5", "5.", "1e3", "2.5E-4"})
        EXPECT_EQ(dictionary.Translate(number), number) << number;
    EXPECT_EQ(dictionary.EntryCount(), 2u);
    for (const char* text : {"1,5", "0x10", "1 2", "e3", "-", ".", "1e", "inf"})
        EXPECT_EQ(dictionary.Translate(text), text) << text; // not numbers: added
    EXPECT_EQ(dictionary.EntryCount(), 10u);

    dictionary.SetTranslationOn(false);
    EXPECT_EQ(dictionary.Translate("Colonne"), "Colonne");
    EXPECT_EQ(dictionary.TranslateAlways("Colonne"), "Column");
    EXPECT_EQ(dictionary.TranslateAlways(""), "");
    dictionary.SetTranslationOn(true);
    dictionary.SetLanguageNumber(1);
    EXPECT_EQ(dictionary.Translate("\xE9t\xE9"), "\xE9t\xE9");
    EXPECT_EQ(dictionary.EntryCount(), 10u);
}

TEST(Dictionary, UnknownTextIsFoldedAndAddedUnderTheCurrentLanguage) {
    EXPECT_EQ(shell::FoldAccents("\xE0\xE1\xE2\xE3\xE4\xE5|\xE8\xE9\xEA\xEB|\xE6\xE7\xEC\xC9\xC0"),
              "aaaaaa|eeee|\xE6\xE7\xEC\xC9\xC0");
    Dictionary dictionary;
    Load(dictionary, 4, "");
    EXPECT_EQ(dictionary.Translate("\xC9t\xE9 \xE0 Paris"), "\xC9te a Paris");
    // Found from then on, also through another spelling that folds the same.
    EXPECT_EQ(dictionary.Translate("\xC9t\xE9 \xE0 Paris"), "\xC9te a Paris");
    EXPECT_EQ(dictionary.Translate("\xC9t\xEA \xE2 Paris"), "\xC9te a Paris");
    EXPECT_EQ(dictionary.EntryCount(), 1u);
    // Added in column 4: another language finds it there and falls back to the input.
    dictionary.SetLanguageNumber(2);
    EXPECT_EQ(dictionary.Translate("\xC9t\xE9 \xE0 Paris"), "\xC9t\xE9 \xE0 Paris");
    EXPECT_EQ(dictionary.EntryCount(), 1u);
}

TEST(Dictionary, ForceLangAppliesOneToFiveAndIgnoresEverythingElse) {
    const std::pair<std::optional<std::string_view>, int> cases[] = {{std::nullopt, 6},
                                                                     {"6", 6},
                                                                     {"0", 6},
                                                                     {"-1", 6},
                                                                     {"abc", 6},
                                                                     {"4x", 6},
                                                                     {"", 6},
                                                                     {"\n3", 6},
                                                                     {"99999999999", 6},
                                                                     {"3", 3},
                                                                     {" 5\t\r\n1", 5},
                                                                     {"\xEF\xBB\xBF"
                                                                      "4",
                                                                      4}};
    for (const auto& [file, expected] : cases) {
        Dictionary dictionary;
        dictionary.Initialise(6, file, std::nullopt);
        EXPECT_EQ(dictionary.LanguageNumber(), expected) << file.value_or("(none)");
    }
    Dictionary dictionary;
    dictionary.Initialise(42, "7", std::nullopt); // a bad locale number gives 6
    EXPECT_EQ(dictionary.LanguageNumber(), 6);

    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i) {
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
        ::unsetenv(names[i]);
    }
    EXPECT_EQ(shell::LanguageFromLocale(), 6);
    ::setenv("LANG", "it_IT.UTF-8", 1);
    ::setenv("LC_ALL", "", 1); // empty counts as not set
    EXPECT_EQ(shell::LanguageFromLocale(), 3);
    const std::pair<const char*, int> locales[] = {{"de_AT.UTF-8", 4}, {"EN_us", 2}, {"es", 5},
                                                   {"fr@euro", 1},     {"C", 6},     {"pt_BR", 6}};
    for (const auto& [locale, language] : locales) {
        ::setenv("LC_ALL", locale, 1);
        EXPECT_EQ(shell::LanguageFromLocale(), language) << locale;
    }
    for (int i = 0; i < 3; ++i)
        saved[i] ? ::setenv(names[i], saved[i]->c_str(), 1) : ::unsetenv(names[i]);
}

TEST(DictionaryFile, ColumnsLinesAndTheSkipRule) {
    const auto entries = ParseDictionary("a\tb\r\n"                 // fewer TABs
                                         "1\t2\t3\t4\t5\t6\t7\t8\n" // rest stays in column 6
                                         "\t\t\t\tsolo\t\r\n"       // only column 5: skipped
                                         "\n\r\n"                   // blank lines: skipped
                                         "\t\t\t\tes\tother\n"
                                         "a\rb\tc\r\r\n" // an inner CR is text
                                         "last",         // no line end
                                         false);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].columns, (Columns{"a", "b"}));
    EXPECT_EQ(entries[1].columns, (Columns{"1", "2", "3", "4", "5", "6\t7\t8"}));
    EXPECT_EQ(entries[2].columns, (Columns{"", "", "", "", "es", "other"}));
    EXPECT_EQ(entries[3].columns, (Columns{"a\rb", "c\r"}));
    EXPECT_EQ(entries[4].columns, (Columns{"last"}));
}

TEST(DictionaryFile, FirstColumnIsFoldedAtStartUpButNotWhenAppended) {
    EXPECT_EQ(ParseDictionary("\xC9l\xE8ve\t\xE9l\xE8ve", true)[0].columns,
              (Columns{"\xC9leve", "\xE9l\xE8ve"}));
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "Sub");
    testsupport::WriteFile(dir / "Sub" / "extra.lng", "Fen\xEAtre\tWindow\nPorte\tDoor\n");
    testsupport::ScopedCurrentDir inDir(dir.Path());
    Dictionary dictionary;
    Load(dictionary, 2, "Fen\xEAtre\tWindow\n");
    EXPECT_EQ(dictionary.Translate("Fen\xEAtre"), "Window");

    Load(dictionary, 2, "");
    EXPECT_TRUE(dictionary.AppendDictionary("sub\\EXTRA.lng")); // a project path, any case
    EXPECT_EQ(dictionary.Translate("Porte"), "Door");
    EXPECT_EQ(dictionary.Translate("Fen\xEAtre"), "Fenetre"); // the file's entry is not folded
    EXPECT_FALSE(dictionary.AppendDictionary("missing.lng"));
    EXPECT_FALSE(dictionary.AppendDictionary("Sub"));
    EXPECT_EQ(dictionary.EntryCount(), 3u);
}

TEST(DictionaryFile, ByteOrderMarksAreConvertedToTheCodePage) {
    EXPECT_EQ(ParseDictionary("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\tsummer\r\n", false)[0].columns,
              (Columns{"\xE9t\xE9", "summer"}));
    // UTF-16 with characters the code page lacks (U+4E2D, a surrogate pair) and a lone surrogate.
    std::u16string text = u"\u00e9t\u00e9\tsummer\r\n\u4e2d\U0001F600\t";
    text += char16_t(0xD800);
    text += u"x\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t unit : text) {
        le += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        be += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    for (const std::string& file : {le, be, le + "A"}) { // an odd last byte is dropped
        const auto entries = ParseDictionary(file, true);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].columns, (Columns{"ete", "summer"}));
        EXPECT_EQ(entries[1].columns, (Columns{"??", "?x"}));
    }
    // Without a BOM the bytes are the code page's, even when they look like UTF-8.
    EXPECT_EQ(ParseDictionary("\xC3\xA9", false)[0].columns[0], "\xC3\xA9");
}

TEST(Dictionary, BoundCellsCarryLanguageAndSwitch) {
    Dictionary dictionary;
    Load(dictionary, 2, "Colonne\tColumn\t\tSpalte\n");
    std::int32_t languageCell = 0;
    std::uint8_t translateCell = 0;
    dictionary.BindLanguageCell(&languageCell);
    dictionary.BindTranslationCell(&translateCell);
    EXPECT_EQ(languageCell, 2); // binding keeps the values
    EXPECT_EQ(translateCell, 1);
    languageCell = 4; // unit code writes the cell
    EXPECT_EQ(dictionary.Translate("Colonne"), "Spalte");
    translateCell = 0;
    EXPECT_EQ(dictionary.Translate("Colonne"), "Colonne");
    dictionary.SetTranslationOn(true);
    dictionary.SetLanguageNumber(2);
    EXPECT_EQ(translateCell, 1);
    EXPECT_EQ(languageCell, 2);

    languageCell = 4;
    dictionary.BindLanguageCell(nullptr); // unbinding copies the value back
    dictionary.BindTranslationCell(nullptr);
    languageCell = 3;
    translateCell = 0;
    EXPECT_EQ(dictionary.LanguageNumber(), 4);
    EXPECT_EQ(dictionary.Translate("Colonne"), "Spalte");

    // Unit code may write any number: no column, so found texts give English, none is added.
    for (std::int32_t language : {0, 7, std::numeric_limits<std::int32_t>::min()}) {
        dictionary.SetLanguageNumber(language);
        EXPECT_EQ(dictionary.Translate("Colonne"), "Column") << language;
        EXPECT_EQ(dictionary.Translate("Inconnu \xE9"), "Inconnu e") << language;
    }
    EXPECT_EQ(dictionary.EntryCount(), 1u);
}

TEST(Dictionary, ConcurrentLookupsAddEachTextOnceAndLoseNoEntry) {
    constexpr int Texts = 2000;
    Dictionary dictionary;
    Load(dictionary, 2, "Colonne\tColumn\n");
    std::latch start(3); // the three threads begin together
    int wrong[2] = {0, 0};
    auto translateAll = [&](int thread) {
        start.arrive_and_wait();
        for (int round = 0; round < Texts; ++round) {
            const std::string i = std::to_string(thread == 0 ? round : Texts - 1 - round);
            if (dictionary.Translate("Texte \xE9 " + i) != "Texte e " + i ||
                dictionary.Translate("Colonne") != "Column")
                ++wrong[thread];
        }
    };
    std::thread first(translateAll, 0), second(translateAll, 1);
    std::thread appender([&] {
        start.arrive_and_wait();
        for (int i = 0; i < 100; ++i)
            dictionary.AppendEntries({{{"Ajout " + std::to_string(i), "Added"}}});
    });
    first.join();
    second.join();
    appender.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
    EXPECT_EQ(dictionary.EntryCount(), 1u + Texts + 100);
    EXPECT_EQ(dictionary.Translate("Ajout 57"), "Added");
    EXPECT_EQ(dictionary.Translate("Texte \xE9 123"), "Texte e 123");
    EXPECT_EQ(dictionary.EntryCount(), 1u + Texts + 100);
}

} // namespace
