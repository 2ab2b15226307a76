// CFileWatcher over the toolkit's file-system watcher.
#include "platform/core/filewatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

CFileWatcher::CFileWatcher(std::string path, std::function<void()> onChange)
    : m_path(std::move(path)), m_onChange(std::move(onChange)), m_watcher(std::make_unique<QFileSystemWatcher>()) {
    const QString file = QString::fromStdString(m_path);
    m_watcher->addPath(file);
    // The folder shows a file renamed over the watched one.
    m_watcher->addPath(QFileInfo(file).absolutePath());
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, [this](const QString&) { OnPathChanged(); });
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, [this](const QString&) {
        // Any change in the folder: only a file that is not watched any more
        // (it was replaced) counts here; a write to it reaches fileChanged.
        const QString file = QString::fromStdString(m_path);
        if (!m_watcher->files().contains(file) && QFileInfo::exists(file))
            OnPathChanged();
    });
}

CFileWatcher::~CFileWatcher() {
    // No signal reaches a half-destroyed watcher.
    m_watcher->disconnect();
}

void CFileWatcher::OnPathChanged() {
    const QString file = QString::fromStdString(m_path);
    if (!QFileInfo::exists(file))
        return;   // removed: a replacement, if one comes, shows in the folder
    if (!m_watcher->files().contains(file))
        m_watcher->addPath(file);
    if (m_onChange)
        m_onChange();
}
