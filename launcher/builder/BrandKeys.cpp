#include "launcher/builder/BrandKeys.h"
#include "kit/Exceptions.h"
#include "kit/Strings.h"
#include "launcher/builder/BrandChoices.h"

namespace quindle {
namespace {

enum class TKind {
    QuotedText, // quoted, so that the blanks at its ends stay; read without the quotes
    Text,
    // Empty where a Brand.ini of an earlier version lacks the key: the choice keeps its default.
    TextOrDefault,
    Flag,    // "1" or "0"; anything but "0" reads as on
    Port,    // a number; anything else stops the build before the dialog
    FileOnly // none of the choices
};

struct TBrandKey {
    const char* Name;
    const char* Default;
    TKind Kind;
    std::string TBrandChoices::*Text = nullptr;
    bool TBrandChoices::*Flag = nullptr;
    int TBrandChoices::*Number = nullptr;
};

constexpr TBrandKey QuotedText(const char* Name, std::string TBrandChoices::*Field) {
    return {Name, "\"\"", TKind::QuotedText, Field};
}
constexpr TBrandKey Text(const char* Name, const char* Default, std::string TBrandChoices::*Field) {
    return {Name, Default, TKind::Text, Field};
}
constexpr TBrandKey TextOrDefault(const char* Name, const char* Default,
                                  std::string TBrandChoices::*Field) {
    return {Name, Default, TKind::TextOrDefault, Field};
}
constexpr TBrandKey Flag(const char* Name, const char* Default, bool TBrandChoices::*Field) {
    return {Name, Default, TKind::Flag, nullptr, Field};
}
constexpr TBrandKey Port(const char* Name, const char* Default, int TBrandChoices::*Field) {
    return {Name, Default, TKind::Port, nullptr, nullptr, Field};
}
constexpr TBrandKey FileOnly(const char* Name, const char* Default = "") {
    return {Name, Default, TKind::FileOnly};
}

// TBrandChoices starts from the same defaults: a test holds the two together.
constexpr TBrandKey kBrandKeys[] = {
    QuotedText("splashfilename", &TBrandChoices::SplashFileName),
    QuotedText("title", &TBrandChoices::Title),
    QuotedText("iconfile", &TBrandChoices::IconFileName),
    Flag("toolbar", "1", &TBrandChoices::ShowToolbar),
    Flag("statusbar", "1", &TBrandChoices::ShowStatusbar),
    Flag("trayicon", "0", &TBrandChoices::ShowTrayIcon),
    Flag("fullscreen", "0", &TBrandChoices::FullScreen),
    Text("ip", "127.0.0.1", &TBrandChoices::IPAddress),
    Port("port", "80", &TBrandChoices::Port),
    FileOnly("datadir"),
    FileOnly("srcdir"),
    FileOnly("outputdir"),
    Flag("copyfilestoharddisk", "0", &TBrandChoices::CopyFilesToHardDisk),
    FileOnly("brand", "1"),
    Flag("includemysql", "1", &TBrandChoices::IncludeMySQL),
    TextOrDefault("version", "1.0", &TBrandChoices::Version),
    TextOrDefault("maintainer", "Package author <author@example.org>", &TBrandChoices::Maintainer),
};

std::string TextOf(const TBrandKey& Key, const TBrandChoices& Choices) {
    switch (Key.Kind) {
    case TKind::QuotedText:
        return "\"" + Choices.*Key.Text + "\"";
    case TKind::Flag:
        return Choices.*Key.Flag ? "1" : "0";
    case TKind::Port:
        return std::to_string(Choices.*Key.Number);
    case TKind::Text:
    case TKind::TextOrDefault:
    case TKind::FileOnly:
        break;
    }
    return Key.Text ? Choices.*Key.Text : Key.Default;
}

void ReadInto(const TBrandKey& Key, const std::string& Text, TBrandChoices& Choices) {
    switch (Key.Kind) {
    case TKind::QuotedText:
    case TKind::Text:
        Choices.*Key.Text = Text;
        break;
    case TKind::TextOrDefault:
        if (const std::string trimmed = Trim(Text); !trimmed.empty())
            Choices.*Key.Text = trimmed;
        break;
    case TKind::Flag:
        Choices.*Key.Flag = Text != "0";
        break;
    case TKind::Port: {
        const std::optional<int> port = TryStrToInt(Text);
        if (!port)
            throw Exception("'" + Text + "' is not a valid integer value");
        Choices.*Key.Number = *port;
        break;
    }
    case TKind::FileOnly:
        break;
    }
}

} // namespace

TBrandTexts BrandDefaults() {
    TBrandTexts texts;
    for (const TBrandKey& key : kBrandKeys)
        texts.emplace_back(key.Name, key.Default);
    return texts;
}

TBrandTexts BrandTexts(const TBrandChoices& Choices) {
    TBrandTexts texts;
    for (const TBrandKey& key : kBrandKeys)
        if (key.Kind != TKind::FileOnly)
            texts.emplace_back(key.Name, TextOf(key, Choices));
    return texts;
}

TBrandChoices BrandChoicesOf(const std::function<std::string(const std::string& Key)>& Read) {
    TBrandChoices choices;
    for (const TBrandKey& key : kBrandKeys)
        if (key.Kind != TKind::FileOnly)
            ReadInto(key, Read(key.Name), choices);
    return choices;
}

} // namespace quindle
