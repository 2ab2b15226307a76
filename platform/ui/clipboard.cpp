#include "platform/ui/clipboard.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QUrl>

#include <mutex>
#include <unordered_map>

// ---- registered formats ---------------------------------------------------------

namespace {

constexpr CLIPFORMAT kFirstPrivateFormat = 0xC000;

// The registered names, by id less kFirstPrivateFormat, and the ids by name.
struct FormatRegistry {
    std::mutex lock;
    std::vector<std::string> names;
    std::unordered_map<std::string, CLIPFORMAT> ids;
};

FormatRegistry& Registry() {
    static FormatRegistry registry;
    return registry;
}

QString MimeTypeOf(CLIPFORMAT format) {
    const std::string mimeType = GetClipboardFormatMimeType(format);
    return QString::fromStdString(mimeType);
}

// The clipboard, or null where there is none: no GUI application object (a
// program of the core alone), or a thread other than the user-interface one.
QClipboard* Clipboard() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(application))
        return nullptr;
    if (QThread::currentThread() != application->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

}  // namespace

CLIPFORMAT RegisterClipboardFormat(std::string_view name) {
    if (name.empty())
        return 0;
    FormatRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    const std::string key(name);
    if (auto found = registry.ids.find(key); found != registry.ids.end())
        return found->second;
    const size_t index = registry.names.size();
    if (index > static_cast<size_t>(0xFFFF - kFirstPrivateFormat))
        return 0;
    const auto id = static_cast<CLIPFORMAT>(kFirstPrivateFormat + index);
    registry.names.push_back(key);
    registry.ids.emplace(key, id);
    return id;
}

std::string GetClipboardFormatName(CLIPFORMAT format) {
    if (format < kFirstPrivateFormat)
        return {};
    FormatRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    const size_t index = format - kFirstPrivateFormat;
    return index < registry.names.size() ? registry.names[index] : std::string();
}

std::string GetClipboardFormatMimeType(CLIPFORMAT format) {
    const std::string name = GetClipboardFormatName(format);
    if (name.empty())
        return {};
    return "application/x-qt-windows-mime;value=\"" + name + "\"";
}

// ---- COleDataSource -------------------------------------------------------------

COleDataSource::COleDataSource() = default;

COleDataSource::~COleDataSource() = default;

void COleDataSource::CacheData(CLIPFORMAT format, std::vector<uint8_t> bytes) {
    if (format == 0)
        return;
    for (auto& [offered, data] : m_data) {
        if (offered == format) {
            data = std::move(bytes);
            return;
        }
    }
    m_data.emplace_back(format, std::move(bytes));
}

const std::vector<uint8_t>* COleDataSource::GetCachedData(CLIPFORMAT format) const {
    for (const auto& [offered, data] : m_data) {
        if (offered == format)
            return &data;
    }
    return nullptr;
}

void COleDataSource::CacheMimeData(const std::string& mimeType, std::vector<uint8_t> bytes) {
    if (mimeType.empty())
        return;
    for (auto& [offered, data] : m_mimeData) {
        if (offered == mimeType) {
            data = std::move(bytes);
            return;
        }
    }
    m_mimeData.emplace_back(mimeType, std::move(bytes));
}

const std::vector<uint8_t>* COleDataSource::GetCachedMimeData(const std::string& mimeType) const {
    for (const auto& [offered, data] : m_mimeData) {
        if (offered == mimeType)
            return &data;
    }
    return nullptr;
}

void COleDataSource::Empty() {
    m_data.clear();
    m_mimeData.clear();
}

QMimeData* COleDataSource::CreateMimeData() const {
    auto* mimeData = new QMimeData;
    for (const auto& [format, bytes] : m_data) {
        const QString mimeType = MimeTypeOf(format);
        if (mimeType.isEmpty())
            continue;   // an id never registered has no name to travel under
        mimeData->setData(mimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())));
    }
    for (const auto& [mimeType, bytes] : m_mimeData)
        mimeData->setData(QString::fromStdString(mimeType),
                          QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    return mimeData;
}

int COleDataSource::SetClipboard() {
    // The clipboard keeps toolkit data, not the source: once the bytes are
    // copied over, the source has done its work. Letting it go here, on the
    // user-interface thread, also drops whatever it holds (events, in the
    // document's data source) where the tree's owner expects it.
    std::unique_ptr<COleDataSource> self(this);
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return 0;
    clipboard->setMimeData(CreateMimeData());   // the clipboard owns the data
    return 1;
}

// ---- COleDataObject -------------------------------------------------------------

struct COleDataObject::Attached {
    // Guarded: the clipboard replaces its data, and a drop event's data dies
    // with the event, without telling us.
    QPointer<const QMimeData> data;
};

COleDataObject::COleDataObject() = default;

COleDataObject::~COleDataObject() {
    Release();
}

int COleDataObject::AttachClipboard() {
    Release();
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return 0;
    m_attached = std::make_unique<Attached>();
    m_attached->data = clipboard->mimeData();
    return 1;
}

void COleDataObject::Attach(const QMimeData* data) {
    Release();
    m_attached = std::make_unique<Attached>();
    m_attached->data = data;
}

void COleDataObject::Attach(const COleDataObject& other) {
    if (&other == this)
        return;
    Release();
    if (other.m_attached)
        m_attached = std::make_unique<Attached>(*other.m_attached);
}

void COleDataObject::Release() {
    m_attached.reset();
}

int COleDataObject::IsAttached() const {
    return m_attached != nullptr;
}

int COleDataObject::IsDataAvailable(CLIPFORMAT format) const {
    if (!m_attached || !m_attached->data)
        return 0;
    const QString mimeType = MimeTypeOf(format);
    return !mimeType.isEmpty() && m_attached->data->hasFormat(mimeType);
}

std::unique_ptr<CMemFile> COleDataObject::GetFileData(CLIPFORMAT format) const {
    if (!IsDataAvailable(format))
        return nullptr;
    const QByteArray bytes = m_attached->data->data(MimeTypeOf(format));
    const auto* first = reinterpret_cast<const uint8_t*>(bytes.constData());
    return std::make_unique<CMemFile>(std::vector<uint8_t>(first, first + bytes.size()));
}

std::vector<std::string> COleDataObject::GetFilePaths() const {
    std::vector<std::string> paths;
    if (!m_attached || !m_attached->data || !m_attached->data->hasUrls())
        return paths;
    for (const QUrl& url : m_attached->data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

namespace {

// The offered image: the toolkit's own, else the first "image/..." bytes a
// reader takes. A null image when none.
QImage OfferedImage(const QMimeData& data) {
    if (data.hasImage()) {
        const QImage image = qvariant_cast<QImage>(data.imageData());
        if (!image.isNull())
            return image;
    }
    for (const QString& format : data.formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QImage image = QImage::fromData(data.data(format));
        if (!image.isNull())
            return image;
    }
    return {};
}

}  // namespace

int COleDataObject::HasImage() const {
    if (!m_attached || !m_attached->data)
        return 0;
    const QMimeData& data = *m_attached->data;
    if (data.hasImage())
        return 1;
    // Asked at every menu update: the readers look at the bytes' header only.
    for (const QString& format : data.formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        QByteArray bytes = data.data(format);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (QImageReader(&buffer).canRead())
            return 1;
    }
    return 0;
}

std::vector<uint8_t> COleDataObject::GetImageAsPng() const {
    if (!m_attached || !m_attached->data)
        return {};
    const QImage image = OfferedImage(*m_attached->data);
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    const auto* first = reinterpret_cast<const uint8_t*>(png.constData());
    return std::vector<uint8_t>(first, first + png.size());
}
