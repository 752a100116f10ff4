#include "Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
