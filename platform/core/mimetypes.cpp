#include "platform/core/mimetypes.h"

#include <QByteArray>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

std::string MimeTypeOfFile(const std::string& path) {
    const QMimeDatabase database;
    return database.mimeTypeForFile(QString::fromStdString(path)).name().toStdString();
}

std::string MimeTypeOfData(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const QMimeDatabase database;
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    return database.mimeTypeForFileNameAndData(QString::fromStdString(fileName), data).name().toStdString();
}

std::string PreferredSuffixOf(const std::string& mimeType) {
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(QString::fromStdString(mimeType));
    return type.isValid() ? type.preferredSuffix().toStdString() : std::string();
}
