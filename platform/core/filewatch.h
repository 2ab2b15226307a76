// CFileWatcher: tells when a file on disk was written.
//
// It watches one path and calls its callback (on the thread that made it,
// from the event loop) after each change of the file's contents. Programs
// that save by writing a new file and renaming it over the old one replace
// the file the system watched; the watcher follows the path, not the file,
// so such a save is seen too (the folder is watched for the new file's
// arrival). A path that vanishes for good is simply not reported again.
//
// Owned by its user; the callback is never called after destruction.
// Thread that made it only.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QFileSystemWatcher;

class CFileWatcher {
public:
    CFileWatcher(std::string path, std::function<void()> onChange);
    ~CFileWatcher();
    CFileWatcher(const CFileWatcher&) = delete;
    CFileWatcher& operator=(const CFileWatcher&) = delete;

    const std::string& GetPath() const { return m_path; }

private:
    // The file is watched again when it was replaced; the callback runs
    // when it exists.
    void OnPathChanged();

    std::string m_path;
    std::function<void()> m_onChange;
    std::unique_ptr<QFileSystemWatcher> m_watcher;   // owned
};
