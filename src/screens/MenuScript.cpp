// Quorva run-time. Licensed under the MIT licence.
#include "screens/MenuScript.h"

#include <charconv>
#include <memory>

#include <fmt/format.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "shell/Package.h"
#include "shell/StartLists.h"
#include "shell/Stream.h"

namespace screens {

namespace {

// A menu script is a few kilobytes; anything near this size is not one.
constexpr std::uint64_t kMaxMenuScriptSize = 16ULL * 1024 * 1024;

// Lines before this index hold the menu's name and its first "BEGIN".
constexpr std::size_t kFirstScriptLine = 2;

std::string_view Trim(std::string_view text)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The text between the first quote of `text` and the next one, and what follows the closing
// quote. Without an opening quote: none; without a closing one: the text runs to the end and
// `closed` is false.
struct Quoted {
    std::string_view text;
    std::string_view rest;
    bool closed = false;
};

std::optional<Quoted> TakeQuoted(std::string_view text)
{
    const std::size_t open = text.find('"');
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return Quoted{text.substr(open + 1), {}, false};
    return Quoted{text.substr(open + 1, close - open - 1), text.substr(close + 1), true};
}

// A command number written in decimal, with an optional sign. Numbers are 16-bit words, so
// 32768..65535 read as the negative numbers that they are stored as.
std::optional<std::int16_t> ParseCommandNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    if (value < -32768 || value > 65535)
        return std::nullopt;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

// Builds the model line by line. The top-level sub-menu being read is held apart until its END,
// and the open sub-menus below it are a path of child indexes, so that nothing points into a
// vector that grows.
class MenuBuilder {
public:
    explicit MenuBuilder(const CaptionTranslation& translate) : m_translate(translate) {}

    void Line(std::string_view raw, std::size_t index)
    {
        const std::string_view line = Trim(raw);
        if (line == "END")
            ClosePopup();
        else if (line.starts_with("POPUP"))
            OpenPopup(line.substr(5), index);
        else if (line.starts_with("MENUITEM") && line.find("SEPARATOR") != std::string_view::npos)
            AddEntry({MenuEntry::Kind::Separator, "-", kSeparatorCommand, {}}, index);
        else if (line.starts_with("MENUITEM"))
            AddItem(line.substr(8), index);
    }

    MenuModel Finish()
    {
        if (m_top) {
            platform::LogWarning("menu script ends with {} sub-menu(s) still open; they are kept",
                                 m_path.size() + 1);
            m_model.bar.push_back(std::move(*m_top));
            m_top.reset();
        }
        return std::move(m_model);
    }

private:
    std::string Translate(std::string_view text) const
    {
        return m_translate ? m_translate(text) : std::string(text);
    }

    MenuEntry* Current()
    {
        if (!m_top)
            return nullptr;
        MenuEntry* entry = &*m_top;
        for (std::size_t index : m_path)
            entry = &entry->children[index];
        return entry;
    }

    void OpenPopup(std::string_view rest, std::size_t index)
    {
        const std::optional<Quoted> quoted = TakeQuoted(rest);
        if (!quoted || !quoted->closed)
            platform::LogWarning("menu script line {}: sub-menu caption not quoted", index + 1);
        MenuEntry popup{MenuEntry::Kind::Popup,
                        Translate(quoted ? quoted->text : Trim(rest)), kPopupCommand, {}};
        if (!m_top) {
            m_top = std::move(popup);
            return;
        }
        if (m_path.size() + 1 >= kMaxMenuDepth) {
            // Its items go to the deepest sub-menu kept; its END is counted off.
            if (m_flattened++ == 0)
                platform::LogWarning("menu script line {}: sub-menus nest deeper than {}; the "
                                     "deeper ones are merged into their parent",
                                     index + 1, kMaxMenuDepth);
            return;
        }
        MenuEntry* current = Current();
        current->children.push_back(std::move(popup));
        m_path.push_back(current->children.size() - 1);
    }

    void ClosePopup()
    {
        if (m_flattened > 0) {
            --m_flattened;
            return;
        }
        // The script's last END closes the menu itself: no sub-menu is open then.
        if (!m_top)
            return;
        if (!m_path.empty()) {
            m_path.pop_back();
            return;
        }
        m_model.bar.push_back(std::move(*m_top));
        m_top.reset();
    }

    void AddItem(std::string_view rest, std::size_t index)
    {
        const std::optional<Quoted> quoted = TakeQuoted(rest);
        if (!quoted || !quoted->closed) {
            platform::LogWarning("menu script line {}: item caption not quoted; item skipped",
                                 index + 1);
            return;
        }
        std::string_view field = Trim(quoted->rest);
        if (field.starts_with(','))
            field.remove_prefix(1);
        field = Trim(field.substr(0, field.find(',')));
        const std::optional<std::int16_t> number = ParseCommandNumber(field);
        if (!number) {
            platform::LogWarning("menu script line {}: command number \"{}\" is not a 16-bit "
                                 "decimal integer; item skipped",
                                 index + 1, platform::CodePageToUtf8(field));
            return;
        }
        std::string caption = Translate(quoted->text);
        for (char& c : caption) {
            if (c == '\\')
                c = '\t'; // the text after it shows in the shortcut column
        }
        AddEntry({MenuEntry::Kind::Item, std::move(caption), *number, {}}, index);
    }

    // An item outside any sub-menu goes on the bar itself, where it can still be chosen; a
    // separator there would mean nothing and is dropped.
    void AddEntry(MenuEntry entry, std::size_t index)
    {
        if (MenuEntry* current = Current()) {
            current->children.push_back(std::move(entry));
            return;
        }
        if (entry.kind == MenuEntry::Kind::Separator) {
            platform::LogWarning("menu script line {}: separator outside any POPUP; skipped",
                                 index + 1);
            return;
        }
        platform::LogWarning("menu script line {}: item outside any POPUP; put on the menu bar",
                             index + 1);
        m_model.bar.push_back(std::move(entry));
    }

    const CaptionTranslation& m_translate;
    MenuModel m_model;
    std::optional<MenuEntry> m_top;
    std::vector<std::size_t> m_path;
    std::size_t m_flattened = 0;
};

// --- menu templates ---

constexpr std::size_t kTemplateHeaderSize = 4;
constexpr std::uint16_t kPopupOption = 0x10;
constexpr std::uint16_t kLastOption = 0x80;

class TemplateReader {
public:
    explicit TemplateReader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes), m_position(kTemplateHeaderSize)
    {
    }

    bool AtEnd() const { return m_position >= m_bytes.size(); }

    std::optional<std::uint16_t> Word()
    {
        if (m_bytes.size() - m_position < 2)
            return std::nullopt;
        const auto word = static_cast<std::uint16_t>(m_bytes[m_position] |
                                                     (m_bytes[m_position + 1] << 8));
        m_position += 2;
        return word;
    }

    // A zero-terminated UTF-16 caption, the low byte of each character kept. A low byte of 0
    // would end the text early and a double quote would end it in the script, so they become
    // "?" and "'". None when the bytes end before the terminator.
    std::optional<std::string> Caption()
    {
        std::string caption;
        while (std::optional<std::uint16_t> character = Word()) {
            if (*character == 0)
                return caption;
            const char low = static_cast<char>(*character & 0xFF);
            caption.push_back(low == '\0' ? '?' : (low == '"' ? '\'' : low));
        }
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position;
};

std::string Indented(std::size_t level, std::string_view text)
{
    return std::string(2 * level, ' ').append(text);
}

// --- menu bar ---

void AddEntries(QWidget& parent, const std::vector<MenuEntry>& entries)
{
    for (const MenuEntry& entry : entries) {
        const QString text = QString::fromStdString(platform::CodePageToUtf8(entry.caption));
        QAction* action = nullptr;
        switch (entry.kind) {
        case MenuEntry::Kind::Popup: {
            auto* menu = new QMenu(text, &parent);
            AddEntries(*menu, entry.children);
            action = menu->menuAction();
            break;
        }
        case MenuEntry::Kind::Separator:
            action = new QAction(&parent);
            action->setSeparator(true);
            break;
        case MenuEntry::Kind::Item:
            action = new QAction(text, &parent);
            QObject::connect(action, &QAction::triggered, action, [action] {
                Globals().menu.Choose(platform::Utf8ToCodePage(action->text().toStdString()),
                                      static_cast<std::int16_t>(action->data().toInt()));
            });
            break;
        }
        action->setData(static_cast<int>(entry.number));
        parent.addAction(action);
    }
}

std::optional<std::string> ReadScript(std::string_view name)
{
    std::unique_ptr<shell::Stream> stream = OpenProjectFile(name);
    if (stream == nullptr)
        return std::nullopt;
    if (stream->Size() > kMaxMenuScriptSize) {
        platform::LogWarning("menu script {} of {} bytes is too big; the window gets no menu",
                             platform::CodePageToUtf8(name), stream->Size());
        return std::nullopt;
    }
    return stream->ReadAll();
}

} // namespace

MenuModel ParseMenuScript(const std::vector<std::string>& lines,
                          const CaptionTranslation& translate)
{
    MenuBuilder builder(translate);
    for (std::size_t index = kFirstScriptLine; index < lines.size(); ++index)
        builder.Line(lines[index], index);
    return builder.Finish();
}

std::optional<std::vector<std::string>>
MenuResourceToScript(std::span<const std::uint8_t> templateBytes)
{
    if (templateBytes.size() < kTemplateHeaderSize) {
        platform::LogWarning("menu template of {} bytes has no header", templateBytes.size());
        return std::nullopt;
    }
    std::vector<std::string> lines{"BIDON", "BIDON"};
    TemplateReader reader(templateBytes);
    // One flag per open sub-menu, innermost last: whether it is the last entry of its own
    // level, so that the END that closes it closes its parent as well. The level of the
    // entry being read is open.size() + 1.
    std::vector<bool> open;
    while (!reader.AtEnd()) {
        const std::optional<std::uint16_t> option = reader.Word();
        if (!option)
            break;
        const bool popup = (*option & kPopupOption) != 0;
        std::uint16_t number = 0;
        if (!popup) {
            if (open.empty())
                break; // a top-level command item ends the conversion
            const std::optional<std::uint16_t> word = reader.Word();
            if (!word)
                break;
            number = *word;
        } else if (open.size() >= kMaxMenuDepth) {
            platform::LogWarning("menu template nests sub-menus deeper than {}; converted up "
                                 "to there", kMaxMenuDepth);
            break;
        }
        const std::optional<std::string> caption = reader.Caption();
        if (!caption)
            break;

        const std::size_t level = open.size() + 1;
        if (popup) {
            lines.push_back(Indented(level, "POPUP \"" + *caption + "\""));
            lines.push_back(Indented(level, "BEGIN"));
            open.push_back((*option & kLastOption) != 0);
            continue;
        }
        lines.push_back(Indented(level, caption->empty() ? std::string("MENUITEM SEPARATOR")
                                                         : fmt::format("MENUITEM \"{}\",  {}",
                                                                       *caption, number)));
        if ((*option & kLastOption) == 0)
            continue;
        bool closeParent = true;
        while (closeParent && !open.empty()) {
            closeParent = open.back();
            open.pop_back();
            lines.push_back(Indented(open.size() + 1, "END"));
        }
    }
    // A damaged template may leave sub-menus open: closing them keeps the script balanced.
    if (!open.empty())
        platform::LogWarning("menu template ends with {} sub-menu(s) open; they are closed",
                             open.size());
    while (!open.empty()) {
        open.pop_back();
        lines.push_back(Indented(open.size() + 1, "END"));
    }
    lines.emplace_back("END");
    return lines;
}

QMenuBar* BuildMenuBar(const MenuModel& model)
{
    auto* bar = new QMenuBar;
    AddEntries(*bar, model.bar);
    return bar;
}

void RemoveMenu(ScreenForm& window)
{
    window.SetScreenMenuBar(nullptr);
}

bool LoadMenuScript(ScreenForm& window, std::string_view scriptName)
{
    RemoveMenu(window);
    const std::optional<std::string> bytes = ReadScript(scriptName);
    if (!bytes)
        return false;
    LoadMenuScript(window, shell::SplitLines(*bytes));
    return true;
}

void LoadMenuScript(ScreenForm& window, const std::vector<std::string>& lines)
{
    RemoveMenu(window);
    const MenuModel model =
        ParseMenuScript(lines, [](std::string_view text) { return DisplayText(text); });
    window.SetScreenMenuBar(BuildMenuBar(model));
}

} // namespace screens
