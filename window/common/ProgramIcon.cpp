#include "window/common/ProgramIcon.h"
#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/ResourceContainer.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QStyle>

namespace quindle {
namespace {

constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kGroupIconType = 14;

std::optional<std::string> ReadMainIcon() {
    ResourceContainer resources;
    try {
        resources = ResourceContainer::Load(TKo::GetAppFileName());
    } catch (const EFileError&) {
        LogCaught("ReadMainIcon"); // the window shows the system's icon instead
        return std::nullopt;
    }
    const ResourceEntry* group = resources.Find(kGroupIconType, ResourceName::Text("MAINICON"));
    if (!group)
        return std::nullopt;
    return IconFileFromGroup(group->Data, [&](std::uint16_t Id) -> const std::string* {
        const ResourceEntry* image = resources.Find(kIconType, ResourceName::Id(Id));
        return image ? &image->Data : nullptr;
    });
}

} // namespace

QIcon ProgramIcon() {
    static QIcon cached;
    if (!cached.isNull())
        return cached;
    if (const std::optional<std::string> ico = ReadMainIcon()) {
        QByteArray bytes(ico->data(), qsizetype(ico->size()));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "ico");
        for (int i = 0; i < reader.imageCount(); ++i) {
            reader.jumpToImage(i);
            const QImage image = reader.read();
            if (!image.isNull())
                cached.addPixmap(QPixmap::fromImage(image));
        }
    }
    if (cached.isNull())
        cached = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    return cached;
}

} // namespace quindle
