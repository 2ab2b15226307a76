// A program folder of a test's own with an "Instruments" folder the test fills
// with instrument definition files; the program folder returns to the real one
// when it goes.
#pragma once

#include "platform/core/filesys.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace instrument_test {

class CInstrumentFolder {
public:
    CInstrumentFolder() {
        EXPECT_TRUE(m_home.isValid());
        EXPECT_TRUE(QDir(m_home.path()).mkdir("Instruments"));
        SetProgramFolder(m_home.path().toStdString());
    }
    ~CInstrumentFolder() { SetProgramFolder(""); }

    std::string Folder() const { return m_home.path().toStdString() + "/Instruments"; }
    // Writes `text` as file `name` of the folder; answers its path.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = Folder() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    QTemporaryDir m_home;
};

}  // namespace instrument_test
