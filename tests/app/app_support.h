// What the program's tests share: a program folder of the test's own (no
// plug-ins), the capture devices, and small document files.
#pragma once

#include "app/staffwrightapp.h"
#include "platform/core/filesys.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
    QTemporaryDir m_dir;
};
