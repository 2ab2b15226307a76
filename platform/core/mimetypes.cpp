// The MIME database, through the toolkit's.
#include "platform/core/mimetypes.h"

#include <QMimeDatabase>

std::string PreferredSuffixOfMimeType(const std::string& mimeType) {
    const QMimeType type = QMimeDatabase().mimeTypeForName(QString::fromStdString(mimeType));
    return type.isValid() ? type.preferredSuffix().toStdString() : std::string();
}
