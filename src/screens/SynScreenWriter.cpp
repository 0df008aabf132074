// Quorva run-time. Licensed under the MIT licence.
#include "screens/SynScreenWriter.h"

#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/SynByteWriter.h"
#include "screens/SynObjectRecord.h"

#include <fmt/format.h>
#include <limits>

namespace screens {
namespace {

constexpr std::size_t kSignatureLength = 11;

void WriteHeader(SynByteWriter& writer, const SynHeader& h, const SynExtendedBlock* extended) {
    if (h.signature.size() != kSignatureLength) {
        writer.Fail(fmt::format("signature: {} characters, it takes exactly {}",
                                h.signature.size(), kSignatureLength));
        return;
    }
    writer.U8(static_cast<std::uint8_t>(kSignatureLength + 1));
    writer.Raw(h.signature);
    writer.U8(static_cast<std::uint8_t>('0' + h.version));
    writer.FixedShortString(h.caption, 50, "caption");
    writer.U32(h.colour);
    writer.I16(h.left);
    writer.I16(h.top);
    writer.I16(h.right);
    writer.I16(h.bottom);
    for (std::uint8_t flag : {h.hasCaptionBar, h.sizeable, h.systemMenu, h.normalWindow,
                              h.dialogBorder, h.mdiFrame, h.mdiChild, h.centred, h.maximized})
        writer.U8(flag);
    if (h.editorData.size() != kEditorDataSize) {
        writer.Fail(fmt::format("editor data: {} bytes, it takes exactly {}", h.editorData.size(),
                                kEditorDataSize));
        return;
    }
    writer.Raw(h.editorData);
    if (extended == nullptr)
        return;
    const SynExtendedBlock& e = *extended;
    writer.I32(e.minWidth);
    writer.I32(e.maxWidth);
    writer.I32(e.minHeight);
    writer.I32(e.maxHeight);
    writer.U8(e.unread16);
    writer.U8(e.autoScroll);
    if (e.editorText.size() != kEditorTextSize || e.icon.size() != kIconSize) {
        writer.Fail(fmt::format("extended block: editor text of {} bytes and icon of {} bytes, "
                                "they take exactly {} and {}",
                                e.editorText.size(), e.icon.size(), kEditorTextSize, kIconSize));
        return;
    }
    writer.Raw(e.editorText);
    writer.Raw(e.icon);
}

void WriteClassPart(SynByteWriter& writer, const SynObject& object, int version) {
    const std::string& className = object.attributes.className;
    const ClassLayout* layout = FindClassLayout(className);
    if (layout == nullptr) {
        // An unknown class (or an ActiveX control's own class) has no data the format could hold.
        if (object.classData)
            writer.Fail(fmt::format("class data given, but the class name \"{}\" names no "
                                    "screen-object class",
                                    className));
        return;
    }
    if (!object.classData) {
        writer.Fail(fmt::format("class {} needs its class data", layout->name));
        return;
    }
    if (object.classData->layout != layout) {
        writer.Fail(fmt::format("class data of {} given for class {}",
                                object.classData->layout ? object.classData->layout->name
                                                         : std::string_view("no class"),
                                layout->name));
        return;
    }
    WriteClassData(writer, *object.classData, version);
}

} // namespace

platform::Result<std::string> WriteScreen(const SynScreen& screen) {
    const int version = screen.header.version;
    if (version < kMinSynVersion || version > kMaxSynVersion)
        return platform::Fail(fmt::format("version {}: versions 3 to 7 can be written", version));
    if (screen.objects.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        return platform::Fail(fmt::format("{} objects, at most 32767 fit", screen.objects.size()));
    SynByteWriter writer;
    SynExtendedBlock defaults;
    const SynExtendedBlock* extended = nullptr;
    if (version == 7)
        extended = screen.extended ? &*screen.extended : &defaults;
    WriteHeader(writer, screen.header, extended);
    writer.I16(static_cast<std::int16_t>(screen.objects.size()));
    writer.U16(screen.header.windowFlags);
    if (!writer.Ok())
        return platform::Fail("header: " + writer.Error());
    for (std::size_t i = 0; i < screen.objects.size(); ++i) {
        const SynObject& object = screen.objects[i];
        WriteObjectRecord(writer, version, object);
        WriteKindData(writer, object);
        WriteClassPart(writer, object, version);
        if (!writer.Ok())
            return platform::Fail(fmt::format("object {}: {}", i, writer.Error()));
    }
    return writer.TakeBytes();
}

} // namespace screens
