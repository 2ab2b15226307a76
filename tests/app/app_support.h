// What the program's tests share: a program folder and a profile of the
// test's own (no plug-ins, no settings), the capture devices, and small
// document files.
#pragma once

#include "app/staffwrightapp.h"
#include "platform/core/filesys.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The application profile in a folder of its own while this lives, empty at
// first: a test starts from no settings, as in a test process of its own,
// whatever the tests before it in the process stored.
class FreshProfile {
public:
    FreshProfile() {
        const char* previous = std::getenv("STAFFWRIGHT_CONFIG_DIR");
        m_previous = previous ? previous : "";
        setenv("STAFFWRIGHT_CONFIG_DIR", m_dir.path().toLocal8Bit().constData(), 1);
    }
    ~FreshProfile() { setenv("STAFFWRIGHT_CONFIG_DIR", m_previous.c_str(), 1); }
    FreshProfile(const FreshProfile&) = delete;
    FreshProfile& operator=(const FreshProfile&) = delete;

private:
    QTemporaryDir m_dir;
    std::string m_previous;
};

class AppTestFolder {
public:
    AppTestFolder() {
        setenv("STAFFWRIGHT_DEVICES", "capture", 1);
        SetProgramFolder(m_dir.path().toStdString());
    }
    ~AppTestFolder() { SetProgramFolder({}); }
    AppTestFolder(const AppTestFolder&) = delete;
    AppTestFolder& operator=(const AppTestFolder&) = delete;

    std::string Path(const std::string& name) const { return m_dir.path().toStdString() + "/" + name; }

    // A type 0 MIDI file of one quarter-note C4 on channel 1; its path.
    std::string WriteMidiFile(const std::string& name) const {
        static const unsigned char kBytes[] = {
            'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
            'M', 'T', 'r', 'k', 0, 0, 0, 12,
            0x00, 0x90, 60, 100,
            0x60, 0x80, 60, 0,
            0x00, 0xFF, 0x2F, 0x00,
        };
        const std::string path = Path(name);
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(kBytes, 1, sizeof kBytes, file);
            std::fclose(file);
        }
        return path;
    }

private:
    FreshProfile m_profile;
    QTemporaryDir m_dir;
};
