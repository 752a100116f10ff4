#include "Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>

#include "Graphics.h"
#include "VclPrivate.h"

bool Resources::FindResourceData(const AnsiString& Name, std::string& Bytes) {
    if (Name.empty()) return false;
    const QString wanted = QString::fromStdString(Name);
    const QDir dir(QStringLiteral(":/res"));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
        if (info.completeBaseName().compare(wanted, Qt::CaseInsensitive) != 0 &&
            info.fileName().compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray data = file.readAll();
        Bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
        return true;
    }
    return false;
}

namespace {
// The depth a Windows bitmap file says it has; pfDevice for anything else.
TPixelFormat FileDepth(const std::string& Bytes) {
    if (Bytes.size() < 30 || Bytes.compare(0, 2, "BM") != 0) return pfDevice;
    switch (static_cast<unsigned char>(Bytes[28]) | static_cast<unsigned char>(Bytes[29]) << 8) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfDevice;
    }
}
} // namespace

bool Resources::LoadBitmap(TBitmap* Bitmap, const AnsiString& Name) {
    std::string bytes;
    if (!Bitmap || !FindResourceData(Name, bytes)) return false;
    // Tried on a scratch bitmap first, so that a resource that is no picture changes nothing.
    TBitmap trial;
    try {
        TStringStream stream(bytes);
        trial.LoadFromStream(&stream);
    } catch (const std::exception&) {
        return false;
    }
    if (trial.Empty()) return false;
    TStringStream stream(bytes);
    Bitmap->LoadFromStream(&stream);
    Bitmap->SetPixelFormat(FileDepth(bytes));
    return true;
}
