// platform/storage/storage.cpp: root storages over files (create, open,
// convert), transacted commits that never lose the old file, the tree of
// streams and storages, and damaged files.
#include "platform/storage/storage.h"

#include "platform/storage/storagefiles.h"
#include "platform/storage/streamfile.h"
#include "tests/platform/file_support.h"
#include "tests/platform/storage/storage_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace storage_test;
using file_test::ReadText;
using file_test::TempFolder;
using file_test::WriteText;

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Permission tests mean nothing to the superuser, who may write anything.
bool PermissionsApply() {
    return ::geteuid() != 0;
}

// Every element of the tree with its type, size, bytes (a checksum) and class
// id, one per line and sorted by name (the file keeps an order of its own), so
// two trees compare as texts.
void Describe(CStorage& storage, const std::string& where, std::ostringstream& out) {
    out << where << " class";
    for (uint8_t byte : storage.GetClassId())
        out << ' ' << int(byte);
    out << '\n';
    auto elements = storage.EnumElements();
    std::sort(elements.begin(), elements.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const CStorage::Element& element : elements) {
        const std::string path = where + "/" + element.name;
        if (element.type == CStorage::STGTY_STORAGE) {
            Describe(*storage.OpenStorage(element.name), path, out);
        } else {
            const std::string bytes = ReadStream(storage, element.name);
            uint64_t sum = 0;
            for (unsigned char byte : bytes)
                sum = sum * 31 + byte;
            out << path << " stream " << element.size << ' ' << bytes.size() << ' ' << sum << '\n';
        }
    }
}

std::string Describe(CStorage& storage) {
    std::ostringstream out;
    Describe(storage, "", out);
    return out.str();
}

// A tree like a document with an embedded object: the document's stream, a
// stream whose name starts with a control character, nested storages with
// class ids, a stream long enough for the file's large sectors, and an empty
// storage.
void BuildDocumentTree(CStorage& root) {
    WriteStream(root, "Contents", "MMMF" + Pattern(300));
    WriteStream(root, "\x01" "CompObj", Pattern(60, 7));
    CStorage* pool = root.CreateStorage("ObjectPool");
    CStorage* object = pool->CreateStorage("_1234567");
    object->SetClassId({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    WriteStream(*object, "\x01" "Ole", Pattern(20, 3));
    WriteStream(*object, "CONTENTS", Pattern(9000, 5));
    root.CreateStorage("Empty");
}

TEST(StorageTest, CreatedStorageReachesTheDiskOnlyOnCommit) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    const std::string big = Pattern(100000);
    {
        auto root = CRootStorage::Create(path);
        EXPECT_EQ(root->GetMode(), CRootStorage::modeReadWrite);
        EXPECT_EQ(root->GetPath(), path);
        WriteStream(*root, "Contents", big);
        WriteStream(*root, "Small", "abc");
        EXPECT_FALSE(Exists(path)) << "nothing is written before the commit";
        root->Commit();
    }
    EXPECT_EQ(IsStorageFile(path), S_OK);
    EXPECT_EQ(NamesIn(dir.path), std::vector<std::string>{"song.mmm"}) << "no temporary file is left";

    auto reopened = CRootStorage::Open(path);
    EXPECT_EQ(reopened->GetMode(), CRootStorage::modeReadWrite);
    EXPECT_FALSE(reopened->IsConverted());
    const auto elements = reopened->EnumElements();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(ReadStream(*reopened, "Contents"), big);
    EXPECT_EQ(ReadStream(*reopened, "Small"), "abc");

    // A created storage that is dropped leaves no file at all.
    CRootStorage::Create(dir.File("never.mmm"));
    EXPECT_FALSE(Exists(dir.File("never.mmm")));
}

// Runs a command and gives its standard output; false when it fails.
bool RunCommand(const std::string& command, std::string& output) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    return ::pclose(pipe) == 0;
}

TEST(StorageTest, OtherReadersOfTheFormatSeeTheStreams) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    {
        auto root = CRootStorage::Create(path);
        BuildDocumentTree(*root);
        root->Commit();
    }
    int readers = 0;
    std::string listing;
    if (RunCommand("gsf list '" + path + "' 2>/dev/null", listing)) {
        ++readers;
        EXPECT_NE(listing.find("304 Contents"), std::string::npos) << listing;
        EXPECT_NE(listing.find("9000 ObjectPool/_1234567/CONTENTS"), std::string::npos) << listing;
    }
    std::string python;
    const std::string script =
        "import sys\n"
        "try:\n"
        "    import olefile\n"
        "except ImportError:\n"
        "    sys.exit(3)\n"
        "ole = olefile.OleFileIO(sys.argv[1])\n"
        "print(len(ole.openstream('Contents').read()), ole.exists('ObjectPool/_1234567/CONTENTS'))\n";
    if (RunCommand("python3 -c \"" + script + "\" '" + path + "' 2>/dev/null", python)) {
        ++readers;
        EXPECT_EQ(python, "304 True\n");
    }
    if (readers == 0)
        GTEST_SKIP() << "neither gsf nor python3 with olefile is installed";
}

TEST(StorageTest, ConvertedPlainFileStaysAsItWasUntilCommitted) {
    TempFolder dir;
    const std::string path = dir.File("tune.mid");
    const std::string plain = "MThd" + Pattern(5000);
    WriteText(path, plain);
    EXPECT_EQ(IsStorageFile(path), S_FALSE);
    {
        auto root = CRootStorage::Convert(path);
        EXPECT_TRUE(root->IsConverted());
        EXPECT_EQ(root->GetMode(), CRootStorage::modeReadWrite);
        ASSERT_EQ(root->EnumElements().size(), 1u);
        EXPECT_EQ(ReadStream(*root, "Contents"), plain);
        WriteStream(*root, "Contents", "changed");
        root->CreateStorage("Extra");
    }
    EXPECT_EQ(ReadText(path), plain) << "an uncommitted converted storage leaves the file as it was";
    EXPECT_EQ(NamesIn(dir.path), std::vector<std::string>{"tune.mid"});

    {
        auto root = CRootStorage::Convert(path);
        WriteStream(*root, "Contents", "native");
        root->Commit();
        EXPECT_FALSE(root->IsConverted());
    }
    EXPECT_EQ(IsStorageFile(path), S_OK);
    EXPECT_EQ(ReadStream(*CRootStorage::Open(path), "Contents"), "native");

    // An empty plain file is not a compound file; it converts to an empty stream.
    WriteText(dir.File("empty"), "");
    EXPECT_EQ(IsStorageFile(dir.File("empty")), S_FALSE);
    EXPECT_EQ(ReadStream(*CRootStorage::Convert(dir.File("empty")), "Contents"), "");
    EXPECT_EQ(IsStorageFile(dir.File("absent")), STG_E_FILENOTFOUND);
    EXPECT_EQ(FailureOf([&] { CRootStorage::Convert(dir.File("absent")); }), STG_E_FILENOTFOUND);
}

TEST(StorageTest, FailedCommitLeavesTheOldFileAndReportsWhy) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    {
        auto root = CRootStorage::Create(path);
        WriteStream(*root, "Contents", "old");
        root->Commit();
    }
    const std::string before = ReadText(path);

    const struct {
        StorageStep step;
        int osError;
        SCODE expected;
    } cases[] = {
        {StorageStep::createTemp, EACCES, STG_E_ACCESSDENIED},
        {StorageStep::write, ENOSPC, STG_E_MEDIUMFULL},
        {StorageStep::write, EIO, STG_E_WRITEFAULT},
        {StorageStep::flush, EIO, STG_E_WRITEFAULT},
        {StorageStep::rename, EXDEV, STG_E_WRITEFAULT},
    };
    for (const auto& c : cases) {
        auto root = CRootStorage::Open(path);
        WriteStream(*root, "Contents", Pattern(20000));
        {
            FaultScope fault([&](StorageStep step, const std::string&) { return step == c.step ? c.osError : 0; });
            EXPECT_EQ(FailureOf([&] { root->Commit(); }), c.expected) << int(c.step);
        }
        EXPECT_EQ(ReadText(path), before) << int(c.step);
        EXPECT_EQ(NamesIn(dir.path), std::vector<std::string>{"song.mmm"}) << "the new file is removed";
        // The storage still holds its changes: the next commit succeeds.
        root->Commit();
        root.reset();
        EXPECT_EQ(ReadStream(*CRootStorage::Open(path), "Contents"), Pattern(20000)) << int(c.step);
        auto reset = CRootStorage::Open(path);
        WriteStream(*reset, "Contents", "old");
        reset->Commit();
    }

    // Saving into a folder that does not exist fails and changes nothing.
    auto root = CRootStorage::Open(path);
    WriteStream(*root, "Contents", "new");
    EXPECT_EQ(FailureOf([&] { root->CommitAs(dir.File("missing/song.mmm")); }), STG_E_PATHNOTFOUND);
    EXPECT_EQ(root->GetPath(), path) << "a failed Save As keeps the storage on its file";
    EXPECT_EQ(ReadText(path), before);

    if (PermissionsApply()) {
        ::chmod(dir.path.c_str(), 0555);
        EXPECT_EQ(FailureOf([&] { root->Commit(); }), STG_E_ACCESSDENIED);
        ::chmod(dir.path.c_str(), 0755);
        EXPECT_EQ(ReadText(path), before);
    }
}

// The file made beside a document while it is saved is named after it; a
// document whose name is as long as names go saves in place all the same.
TEST(StorageTest, DocumentsWithTheLongestNamesSaveInPlace) {
    TempFolder dir;
    std::string name;
    for (int i = 0; i < 123; ++i)
        name += "\xC3\xA9";   // two bytes each
    name += ".mmm";
    ASSERT_EQ(name.size(), 250u);
    const std::string path = dir.File(name);
    {
        auto root = CRootStorage::Create(path);
        WriteStream(*root, "Contents", "first");
        root->Commit();
    }
    {
        auto root = CRootStorage::Open(path);
        ASSERT_EQ(root->GetMode(), CRootStorage::modeReadWrite);
        WriteStream(*root, "Contents", "second");
        EXPECT_EQ(FailureOf([&] { root->Commit(); }), S_OK);
    }
    EXPECT_EQ(ReadStream(*CRootStorage::Open(path), "Contents"), "second");

    storage_files::ReplaceFile(path, {'p', 'l', 'a', 'i', 'n'});
    EXPECT_EQ(ReadText(path), "plain");
    EXPECT_EQ(NamesIn(dir.path), std::vector<std::string>{name});
}

TEST(StorageTest, AccessDeniedIsReportedSoThatCallersCanFallBack) {
    TempFolder dir;
    const std::string compound = dir.File("song.mmm");
    const std::string plain = dir.File("tune.mid");
    {
        auto root = CRootStorage::Create(compound);
        WriteStream(*root, "Contents", "score");
        root->Commit();
    }
    WriteText(plain, "MThd");
    {
        // A folder that takes no new files, as a read-only folder.
        FaultScope fault([](StorageStep step, const std::string&) {
            return step == StorageStep::checkFolder ? EACCES : 0;
        });
        EXPECT_EQ(FailureOf([&] { CRootStorage::Convert(plain); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(FailureOf([&] { CRootStorage::Create(dir.File("new.mmm")); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(FailureOf([&] { CRootStorage::Open(compound, CRootStorage::modeReadWrite); }), STG_E_ACCESSDENIED);

        auto root = CRootStorage::Open(compound);
        EXPECT_EQ(root->GetMode(), CRootStorage::modeRead) << "read-write failed, read-only works";
        EXPECT_TRUE(root->IsReadOnly());
        EXPECT_EQ(ReadStream(*root, "Contents"), "score");
        EXPECT_EQ(FailureOf([&] { root->Commit(); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(FailureOf([&] { root->CreateStorage("More"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(FailureOf([&] { root->DestroyElement("Contents"); }), STG_E_ACCESSDENIED);
        CStreamFile stream;
        CFileException error;
        EXPECT_FALSE(stream.CreateStream(*root, "Contents", CFile::modeReadWrite | CFile::modeCreate, &error));
        EXPECT_EQ(error.m_cause, CFileException::accessDenied);
        EXPECT_FALSE(stream.OpenStream(*root, "Contents", CFile::modeReadWrite, &error));
        EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    }
    {
        // A file that cannot be opened at all.
        FaultScope fault([](StorageStep step, const std::string&) {
            return step == StorageStep::openFile ? EACCES : 0;
        });
        EXPECT_EQ(IsStorageFile(compound), STG_E_ACCESSDENIED);
        EXPECT_EQ(FailureOf([&] { CRootStorage::Open(compound); }), STG_E_ACCESSDENIED);
    }
    if (PermissionsApply()) {
        ::chmod(plain.c_str(), 0444);
        ::chmod(compound.c_str(), 0444);
        EXPECT_EQ(FailureOf([&] { CRootStorage::Convert(plain); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(CRootStorage::Open(compound)->GetMode(), CRootStorage::modeRead);
    }
}

TEST(StorageTest, AFileIsSharedByReadersOrHeldByOneWriter) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    {
        auto root = CRootStorage::Create(path);
        WriteStream(*root, "Contents", "shared");
        root->Commit();
    }
    {
        auto reader = CRootStorage::Open(path, CRootStorage::modeRead);
        auto second = CRootStorage::Open(path);
        EXPECT_EQ(second->GetMode(), CRootStorage::modeRead) << "a reader keeps others from writing";
        EXPECT_EQ(FailureOf([&] { CRootStorage::Open(path, CRootStorage::modeReadWrite); }), STG_E_SHAREVIOLATION);
    }
    auto writer = CRootStorage::Open(path);
    ASSERT_EQ(writer->GetMode(), CRootStorage::modeReadWrite);
    EXPECT_EQ(FailureOf([&] { CRootStorage::Open(path); }), STG_E_SHAREVIOLATION);
    EXPECT_EQ(FailureOf([&] { CRootStorage::Convert(path); }), STG_E_SHAREVIOLATION);
    EXPECT_EQ(FailureOf([&] { CRootStorage::Create(path); }), STG_E_SHAREVIOLATION);

    // Another storage cannot save over the held file either.
    auto other = CRootStorage::Create(dir.File("other.mmm"));
    WriteStream(*other, "Contents", "intruder");
    const std::string before = ReadText(path);
    EXPECT_EQ(FailureOf([&] { other->CommitAs(path); }), STG_E_SHAREVIOLATION);
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(other->GetPath(), dir.File("other.mmm"));

    // The writer keeps its hold on the new file a commit puts in place.
    writer->Commit();
    EXPECT_EQ(FailureOf([&] { CRootStorage::Open(path); }), STG_E_SHAREVIOLATION);
    writer.reset();
    EXPECT_EQ(CRootStorage::Open(path)->GetMode(), CRootStorage::modeReadWrite);
}

TEST(StorageTest, ElementsNobodyTouchedSurviveCommitAndSaveAs) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    std::string tree;
    {
        auto root = CRootStorage::Create(path);
        root->SetClassId({0xAA, 0xBB});
        BuildDocumentTree(*root);
        root->Commit();
        tree = Describe(*root);
    }
    {
        auto root = CRootStorage::Open(path);
        EXPECT_EQ(Describe(*root), tree) << "the whole tree comes back as committed";
        WriteStream(*root, "Contents", "MMMF" + Pattern(300));   // the same bytes, written anew
        root->Commit();
    }
    EXPECT_EQ(Describe(*CRootStorage::Open(path)), tree);

    // Save As: the new file gets the whole tree, the old file stays, and the
    // storage belongs to the new file from then on.
    const std::string before = ReadText(path);
    const std::string copy = dir.File("copy.mmm");
    auto root = CRootStorage::Open(path, CRootStorage::modeRead);
    root->CommitAs(copy);
    EXPECT_EQ(root->GetPath(), copy);
    EXPECT_EQ(root->GetMode(), CRootStorage::modeReadWrite);
    WriteStream(*root, "Contents", "edited");
    root->Commit();
    root.reset();
    EXPECT_EQ(ReadText(path), before);
    auto saved = CRootStorage::Open(copy);
    EXPECT_EQ(ReadStream(*saved, "Contents"), "edited");
    WriteStream(*saved, "Contents", "MMMF" + Pattern(300));
    EXPECT_EQ(Describe(*saved), tree);
}

TEST(StorageTest, DamagedFilesAreRefused) {
    TempFolder dir;
    std::string good;
    {
        auto root = CRootStorage::Create(dir.File("good.mmm"));
        BuildDocumentTree(*root);
        root->Commit();
        good = ReadText(dir.File("good.mmm"));
    }
    ASSERT_GT(good.size(), 4096u);
    auto patched = [&](size_t at, const std::string& bytes) {
        std::string damaged = good;
        damaged.replace(at, bytes.size(), bytes);
        return damaged;
    };
    const struct {
        const char* what;
        std::string bytes;
        SCODE expected;
    } cases[] = {
        {"no compound file", "MThd" + Pattern(600), STG_E_INVALIDHEADER},
        {"the signature alone", good.substr(0, 8), STG_E_DOCFILECORRUPT},
        {"the header cut short", good.substr(0, 300), STG_E_DOCFILECORRUPT},
        {"the header alone", good.substr(0, 512), STG_E_DOCFILECORRUPT},
        {"half the file", good.substr(0, good.size() / 2), STG_E_DOCFILECORRUPT},
        {"the last byte missing", good.substr(0, good.size() - 1), STG_E_DOCFILECORRUPT},
        {"a sector size of 2^40", patched(30, std::string("\x28\x00", 2)), STG_E_DOCFILECORRUPT},
        {"an allocation table beyond the file", patched(76, "\xF0\xFF\xFF\x00"), STG_E_DOCFILECORRUPT},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("damaged.mmm");
        WriteText(path, c.bytes);
        EXPECT_EQ(FailureOf([&] { CRootStorage::Open(path); }), c.expected) << c.what;
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        EXPECT_EQ(FailureOf([&] { CRootStorage::OpenMemory(data, c.bytes.size()); }), c.expected) << c.what;
    }

    // Every cut refuses or opens a sound tree: nothing else escapes.
    for (size_t cut = 0; cut < good.size(); cut += 37) {
        try {
            auto root = CRootStorage::OpenMemory(reinterpret_cast<const uint8_t*>(good.data()), cut);
            Describe(*root);
        } catch (const CStorageException&) {
        }
    }
}

TEST(StorageTest, ElementNamesFollowTheFormat) {
    TempFolder dir;
    auto root = CRootStorage::Create(dir.File("names.mmm"));
    const struct {
        std::string name;
        bool valid;
    } cases[] = {
        {"Contents", true},
        {"\x01" "CompObj", true},
        {"\xC3\x9C" "bung", true},                  // UTF-8, counted in UTF-16 units
        {std::string(31, 'n'), true},
        {std::string(32, 'n'), false},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"a:b", false},
        {"a!b", false},
        {std::string("a\0b", 3), false},
        {"\xFF\xFE", false},                          // not UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CStorage::IsValidName(c.name), c.valid) << c.name;
        EXPECT_EQ(FailureOf([&] { root->CreateStorage(c.name); }), c.valid ? S_OK : STG_E_INVALIDNAME) << c.name;
    }

    // Names compare without regard to case; creating replaces, whatever the type.
    WriteStream(*root, "Part", "one");
    EXPECT_EQ(ReadStream(*root, "PART"), "one");
    CStorage::ElementType type{};
    EXPECT_TRUE(root->HasElement("pArT", &type));
    EXPECT_EQ(type, CStorage::STGTY_STREAM);
    root->CreateStorage("PART");
    EXPECT_TRUE(root->HasElement("part", &type));
    EXPECT_EQ(type, CStorage::STGTY_STORAGE);
    EXPECT_EQ(FailureOf([&] { root->OpenStorage("Contents"); }), S_OK);
    EXPECT_EQ(FailureOf([&] { root->OpenStorage("absent"); }), STG_E_FILENOTFOUND);
    root->DestroyElement("part");
    EXPECT_FALSE(root->HasElement("Part"));
    EXPECT_EQ(FailureOf([&] { root->DestroyElement("Part"); }), STG_E_FILENOTFOUND);

    // Names survive the file.
    root->Commit();
    root.reset();
    std::vector<std::string> names;
    for (const auto& element : CRootStorage::Open(dir.File("names.mmm"))->EnumElements())
        names.push_back(element.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"\x01" "CompObj", "Contents", std::string(31, 'n'), "\xC3\x9C" "bung"}));
}

}  // namespace
