// The document's files: native compound documents written, read and written
// again the same; MIDI files opened through a view that leaves them as they
// are; the save question; failed saves that keep the old file; empty files.
#include "interface/document/opusdoc.h"
#include "model/actions.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/midifields.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "platform/ui/prompt_script.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    const std::string text = file_test::ReadText(path);
    return Bytes(text.begin(), text.end());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    file_test::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

// The stream "Contents" of a compound file (read from a copy in memory, as
// the document may hold the file).
Bytes Contents(const std::string& path) {
    const Bytes file = ReadBytes(path);
    std::unique_ptr<CRootStorage> root = CRootStorage::OpenMemory(file.data(), file.size());
    CStreamFile stream;
    EXPECT_TRUE(stream.OpenStream(*root, "Contents", CFile::modeRead));
    Bytes bytes(stream.GetLength());
    stream.Read(bytes.data(), bytes.size());
    return bytes;
}

// A compound file whose "Contents" holds these bytes.
void WriteCompound(const std::string& path, const Bytes& contents) {
    std::unique_ptr<CRootStorage> root = CRootStorage::Create(path);
    CStreamFile stream;
    ASSERT_TRUE(stream.CreateStream(*root, "Contents"));
    stream.Write(contents.data(), contents.size());
    stream.Close();
    root->Commit();
}

// A type 1 file: a conductor chunk with tempo, meter and a title, and two
// staves with notes, a key and a lyric.
Bytes SmallPiece() {
    smf_support::Track conductor, melody, bass;
    conductor.Tempo(0, 600000).TimeSignature(0, 3, 2).Text(0, 0x03, "Waltz").End(96 * 6);
    melody.Text(0, 0x03, "Melody").KeySignature(0, 2, 0);
    melody.NoteOn(0, 0, 74, 90).NoteOff(96, 0, 74).Text(0, 0x05, "la");
    melody.NoteOn(0, 0, 76, 80).NoteOff(192, 0, 76).End();
    bass.NoteOn(0, 1, 38, 70).NoteOn(0, 1, 45, 70).NoteOff(288, 1, 38).NoteOff(0, 1, 45).End();
    return smf_support::File(1, 96).Add(conductor).Add(melody).Add(bass).GetBytes();
}

int CountNotes(ECPerformance* performance) {
    ACCount count(1);
    count.AddEvtType(ET_NOTE);
    count.Apply(performance);
    return count.GetEventCount();
}

// An edit: a fifth note, added by a command of its own.
void AddNote(MCOpusDoc* document) {
    document->GetSequence()->GetMidiScoreMgr()->AddMidiEvent(MCTime(4.0f), MCVoiceTrack(0, 1),
                                                             FCMidi(0x90 | (72 << 8) | (100 << 16)), 0, MCTime(1.0f));
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return CountNotes(document->GetBaseEvent()) == 5; }));
}

struct DocumentFileTest : ::testing::Test, doc_support::DocumentParts {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    ~DocumentFileTest() override { SetPromptHandler(previousPrompts); }

    std::unique_ptr<MCOpusDoc> Open(const std::string& path) {
        std::unique_ptr<MCOpusDoc> document = MakeDocument();
        EXPECT_TRUE(document->OnOpenDocument(path.c_str())) << path << ": " << prompts.GetLast().text;
        return document;
    }
};

TEST_F(DocumentFileTest, ANativeDocumentReadsBackAndWritesTheSameStream) {
    const std::string mid = folder.File("waltz.mid");
    const std::string mmm = folder.File("waltz.mmm");
    WriteBytes(mid, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    EXPECT_EQ(CountNotes(doc->GetBaseEvent()), 4);

    // Asked whether to save natively: yes, beside the MIDI file.
    prompts.Answer(IDYES);
    ASSERT_TRUE(doc->DoFileSave());
    EXPECT_EQ(prompts.GetLast().text, LoadString(MCOpusDoc::IDS_SAVE_NATIVE_QUESTION));
    EXPECT_EQ(doc->GetPathName(), mmm);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_NATIVE);
    EXPECT_EQ(ReadBytes(mid), SmallPiece());

    EXPECT_EQ(IsStorageFile(mmm), S_OK);
    const Bytes first = Contents(mmm);
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 8), (Bytes{0x4D, 0x4D, 0x4D, 0x46, 2, 0, 0, 0}));

    // An independent reader sees a compound file with that stream.
    const std::string listing = folder.File("listing.txt");
    ASSERT_EQ(std::system(("gsf list '" + mmm + "' > '" + listing + "' 2>/dev/null").c_str()), 0);
    EXPECT_NE(file_test::ReadText(listing).find("Contents"), std::string::npos);

    // Opened again: the same tree, and saved again: the same stream.
    doc->OnCloseDocument();
    std::unique_ptr<MCOpusDoc> reopened = Open(mmm);
    EXPECT_EQ(reopened->GetHeader()->GetFormat(), DF_NATIVE);
    EXPECT_EQ(reopened->GetHeader()->GetVersion(), 2);
    EXPECT_EQ(CountNotes(reopened->GetBaseEvent()), 4);
    EXPECT_NE(reopened->GetSequence()->GetConductor(), nullptr);
    const std::string again = folder.File("again.mmm");
    ASSERT_TRUE(reopened->DoSave(again.c_str()));
    EXPECT_EQ(prompts.GetCount(), 1u);   // a native document is not asked about
    EXPECT_EQ(Contents(again), first);
    reopened->OnCloseDocument();
}

// Each lyric of the piece as its text and the type of the event it hangs
// under, in text order.
std::vector<std::pair<std::string, int>> Lyrics(ECPerformance* performance) {
    ACFindEvents find;
    find.AddEvtType(ET_LYRIC);
    find.Apply(performance);
    std::vector<std::pair<std::string, int>> lyrics;
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        auto* lyric = static_cast<ECLyric*>(found.GetNext(pos));
        MCEventList* parents = lyric->GetParents();
        lyrics.emplace_back(lyric->GetText(), parents->IsEmpty() ? -1 : parents->GetHead()->GetClassType());
    }
    std::sort(lyrics.begin(), lyrics.end());
    return lyrics;
}

// Syllables under their measures, as the notation stores them, and one under
// its note, as older documents hold it, come back from a native file where
// they were.
TEST_F(DocumentFileTest, LyricsUnderMeasuresAndNotesReadBack) {
    const std::string mid = folder.File("song.mid");
    const std::string mmm = folder.File("song.mmm");
    WriteBytes(mid, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));
    ECConductor* conductor = doc->GetSequence()->GetConductor();
    ECMeasure* second = conductor->GetMeasure(1, 2);
    ASSERT_NE(second, nullptr);
    ECBase* note = conductor->GetMeasure(1, 1)->GetDescendant(ET_NOTE, -1);
    ASSERT_NE(note, nullptr);
    auto* sung = new ECLyric("lu");
    sung->SetTime(second->GetTime());
    sung->SetVoiceTrack(0, 1);
    auto* kept = new ECLyric("old");
    kept->SetTime(note->GetTime());
    kept->SetVoiceTrack(0, 1);
    auto* add = new CCAdd(sung, second);
    ASSERT_NE(add->Add(kept, note, FCMidi::MidiNull()), nullptr);
    add->SetSynchronous(1);
    ASSERT_EQ(add->Apply(doc->GetBaseEvent()), 1);
    const std::vector<std::pair<std::string, int>> lyrics = {
        {"la", ET_MEASURE}, {"lu", ET_MEASURE}, {"old", ET_NOTE}};
    ASSERT_EQ(Lyrics(doc->GetBaseEvent()), lyrics);

    prompts.Answer(IDYES);
    ASSERT_TRUE(doc->DoFileSave()) << prompts.GetLast().text;
    ASSERT_EQ(doc->GetPathName(), mmm);
    doc->OnCloseDocument();
    std::unique_ptr<MCOpusDoc> reopened = Open(mmm);
    EXPECT_EQ(Lyrics(reopened->GetBaseEvent()), lyrics);
    reopened->OnCloseDocument();
}

TEST_F(DocumentFileTest, AnsweringNoRewritesTheMidiFileAndCancelWritesNothing) {
    const std::string mid = folder.File("piece.mid");
    WriteBytes(mid, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));

    prompts.Answer(IDCANCEL);
    EXPECT_FALSE(doc->DoFileSave());
    EXPECT_EQ(ReadBytes(mid), SmallPiece());

    prompts.Answer(IDNO);
    ASSERT_TRUE(doc->DoFileSave());
    EXPECT_EQ(doc->GetPathName(), mid);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    const Bytes written = ReadBytes(mid);
    ASSERT_GE(written.size(), 14u);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 4), (Bytes{'M', 'T', 'h', 'd'}));
    EXPECT_EQ(IsStorageFile(mid), S_FALSE);   // a MIDI file still, not a compound file

    doc->OnCloseDocument();
    std::unique_ptr<MCOpusDoc> reopened = Open(mid);
    EXPECT_EQ(CountNotes(reopened->GetBaseEvent()), 4);
}

TEST_F(DocumentFileTest, AFolderWithADotAndANameWithoutOneKeepsThePath) {
    const std::string dotted = folder.File("v1.2");
    ASSERT_EQ(mkdir(dotted.c_str(), 0755), 0);
    const std::string path = dotted + "/song";
    WriteBytes(path, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(path.c_str()));
    prompts.Answer(IDYES);
    ASSERT_TRUE(doc->DoFileSave());
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(IsStorageFile(path), S_OK);
}

TEST_F(DocumentFileTest, OldStreamsLoadAsVersionZero) {
    // An empty tree (no times, which the old layout writes differently),
    // saved natively; then the same stream under the old magic.
    std::unique_ptr<MCOpusDoc> source = MakeDocument();
    source->CreatePerformance(0);
    source->GetSequence()->Attach(source->GetBaseEvent());
    source->GetHeader()->SetFormat(DF_NATIVE);
    const std::string native = folder.File("new.mmm");
    ASSERT_TRUE(source->OnSaveDocument(native.c_str()));
    // "MMMF", version, the root's flags byte, its time (a mode byte, then
    // the float); the old layout has no version and no mode byte.
    Bytes old = Contents(native);
    ASSERT_GE(old.size(), 14u);
    ASSERT_EQ(old[8] & ECBase::EF_PERSISTENT_DATA, 0) << "a tree without view data";
    ASSERT_EQ(old[9], 0) << "a time in quarter notes";
    old.erase(old.begin() + 9);
    old.erase(old.begin() + 4, old.begin() + 8);
    std::copy_n("OPUS", 4, old.begin());
    const std::string path = folder.File("old.mmm");
    WriteCompound(path, old);

    ASSERT_TRUE(doc->OnOpenDocument(path.c_str())) << prompts.GetLast().text;
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_NATIVE);
    EXPECT_EQ(doc->GetHeader()->GetVersion(), 2);
    EXPECT_EQ(doc->GetBaseEvent()->GetVersion(), 2);
}

TEST_F(DocumentFileTest, ACompoundFileHoldingAMidiFileLoadsAsMidi) {
    const std::string path = folder.File("wrapped.mmm");
    WriteCompound(path, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    EXPECT_EQ(CountNotes(doc->GetBaseEvent()), 4);
}

TEST_F(DocumentFileTest, UnknownFilesAreRefusedWithOneMessage) {
    const std::string path = folder.File("letter.txt");
    file_test::WriteText(path, "Dear friend, ...");
    EXPECT_FALSE(doc->OnOpenDocument(path.c_str()));
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().text, "The file cannot be opened by Staffwright.");
    EXPECT_EQ(doc->GetBaseEvent(), nullptr);
    EXPECT_EQ(file_test::ReadText(path), "Dear friend, ...");
}

// A track that opens on a data byte has lost its framing: everything after
// it would be read out of step. The file is refused as damaged, not opened
// as the empty piece it would read as.
TEST_F(DocumentFileTest, AMidiTrackOpeningOnADataByteIsRefused) {
    const std::string path = folder.File("out-of-step.mid");
    smf_support::Track track;
    track.Raw({0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes bytes = smf_support::File(0, 96).Add(track).GetBytes();
    WriteBytes(path, bytes);
    EXPECT_FALSE(doc->OnOpenDocument(path.c_str()));
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().text, "The file cannot be opened by Staffwright.");
    EXPECT_EQ(doc->GetBaseEvent(), nullptr);
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(DocumentFileTest, EmptyFilesAndStreamsOpenAsAnEmptyPiece) {
    const std::string empty = folder.File("empty.mmm");
    file_test::WriteText(empty, "");
    const std::string emptyStream = folder.File("empty-stream.mmm");
    WriteCompound(emptyStream, {});
    for (const std::string& path : {empty, emptyStream}) {
        std::unique_ptr<MCOpusDoc> opened = Open(path);
        ASSERT_NE(opened->GetBaseEvent(), nullptr) << path;
        EXPECT_NE(opened->GetSequence()->GetConductor(), nullptr) << path;
        EXPECT_EQ(opened->GetHeader()->GetFormat(), DF_NATIVE) << path;
    }
}

TEST_F(DocumentFileTest, AnInterruptedNativeSaveKeepsTheOldFileAndSaysSo) {
    const std::string path = folder.File("keep.mmm");
    WriteBytes(folder.File("in.mid"), SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(folder.File("in.mid").c_str()));
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->DoSave(path.c_str()));
    const Bytes before = ReadBytes(path);

    prompts.Clear();
    auto previous = SetStorageFaultHook([](StorageStep step, const std::string&) {
        return step == StorageStep::write ? ENOSPC : 0;
    });
    EXPECT_FALSE(doc->DoFileSave());
    SetStorageFaultHook(previous);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(DocumentFileTest, AMidiWriterThatFailsKeepsTheOldFileAndSaysSo) {
    const std::string mid = folder.File("far.mid");
    WriteBytes(mid, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));
    // A note too far for a delta time of the file: the writer gives up.
    MCTime far(float(0x0FFFFFFF / MCTime::GlobalPPQ + 1000));
    doc->GetSequence()->GetMidiScoreMgr()->AddMidiEvent(far, MCVoiceTrack(0, 1), FCMidi(0x90 | (60 << 8) | (100 << 16)),
                                                        0, MCTime(1.0f));
    doc->SetModifiedFlag();
    prompts.Answer(IDNO);
    EXPECT_FALSE(doc->DoFileSave());
    EXPECT_EQ(prompts.GetCount(), 2u);   // the question, then the failure
    EXPECT_EQ(ReadBytes(mid), SmallPiece());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentFileTest, AType2DocumentAnsweredNoIsRefusedBeforeTheFileIsTouched) {
    smf_support::Track pattern;
    pattern.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
    const Bytes bytes = smf_support::File(2, 96).Add(pattern).Add(pattern).GetBytes();
    const std::string path = folder.File("patterns.mid");
    WriteBytes(path, bytes);
    ASSERT_TRUE(doc->OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE2);
    prompts.Answer(IDNO);
    EXPECT_FALSE(doc->DoFileSave());
    EXPECT_EQ(prompts.GetLast().text, MCOpusDoc::kMidiType2NotSupported);
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(DocumentFileTest, AReadOnlyFileIsReadThroughACopyAndSavedUnderANewPath) {
    const std::string path = folder.File("locked.mid");
    WriteBytes(path, SmallPiece());
    // Writing the file is denied (as for a read-only file; the superuser
    // running the tests could write anything).
    auto previousFault = SetStorageFaultHook([&](StorageStep step, const std::string& file) {
        return step == StorageStep::checkFolder && file == folder.path ? EACCES : 0;
    });
    const bool opened = doc->OnOpenDocument(path.c_str());
    SetStorageFaultHook(previousFault);
    ASSERT_TRUE(opened) << prompts.GetLast().text;
    const std::string copy = doc->GetTempCopyPath();
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(CountNotes(doc->GetBaseEvent()), 4);

    const std::string chosen = folder.File("mine.mmm");
    std::string offered;
    auto previous = CDocument::SetSavePathHook([&](CDocument*, std::string& p, int) {
        offered = p;
        p = chosen;
        return 1;
    });
    doc->GetHeader()->SetFormat(DF_NATIVE);
    EXPECT_TRUE(doc->DoFileSave());
    CDocument::SetSavePathHook(previous);
    EXPECT_EQ(offered, path);
    EXPECT_EQ(doc->GetPathName(), chosen);
    EXPECT_EQ(IsStorageFile(chosen), S_OK);
    EXPECT_EQ(ReadBytes(path), SmallPiece());
    EXPECT_FALSE(FileExists(copy));
}

TEST_F(DocumentFileTest, AReadOnlyNativeDocumentIsSavedAsElsewhereWithItsEdits) {
    // A native document with a stream of some other program's beside its own.
    const std::string locked = folder.File("locked");
    const std::string out = folder.File("out");
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
    const std::string path = locked + "/piece.mmm";
    WriteBytes(folder.File("in.mid"), SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(folder.File("in.mid").c_str()));
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    doc->OnCloseDocument();
    {
        std::unique_ptr<CRootStorage> root = CRootStorage::Open(path);
        CStreamFile extra;
        ASSERT_TRUE(extra.CreateStream(*root, "Extra"));
        extra.Write("kept", 4);
        extra.Close();
        root->Commit();
    }
    const Bytes before = ReadBytes(path);

    // Its folder may not be written: the file opens read-only.
    auto previousFault = SetStorageFaultHook([&](StorageStep step, const std::string& file) {
        return step == StorageStep::checkFolder && file == locked ? EACCES : 0;
    });
    std::unique_ptr<MCOpusDoc> opened = Open(path);
    ASSERT_TRUE(opened->GetRootStorage()->IsReadOnly());
    AddNote(opened.get());

    const std::string chosen = out + "/copy.mmm";
    auto previousPath = CDocument::SetSavePathHook([&](CDocument*, std::string& p, int) {
        p = chosen;
        return 1;
    });
    const bool saved = opened->DoSave(nullptr);
    CDocument::SetSavePathHook(previousPath);
    SetStorageFaultHook(previousFault);
    ASSERT_TRUE(saved) << prompts.GetLast().text;
    EXPECT_EQ(opened->GetPathName(), chosen);
    EXPECT_FALSE(opened->GetRootStorage()->IsReadOnly());
    opened->OnCloseDocument();

    EXPECT_EQ(ReadBytes(path), before);
    std::unique_ptr<MCOpusDoc> copy = Open(chosen);
    EXPECT_EQ(CountNotes(copy->GetBaseEvent()), 5);
    CStreamFile extra;
    ASSERT_TRUE(extra.OpenStream(*copy->GetRootStorage(), "Extra", CFile::modeRead));
    char kept[8] = {};
    EXPECT_EQ(extra.Read(kept, sizeof kept), 4u);
    EXPECT_STREQ(kept, "kept");
}

TEST_F(DocumentFileTest, SavingAsMidiThroughALinkKeepsTheLinkAndTheFilesMode) {
    const std::string real = folder.File("real");
    ASSERT_EQ(mkdir(real.c_str(), 0755), 0);
    const std::string target = real + "/piece.mid";
    WriteBytes(target, SmallPiece());
    ASSERT_EQ(chmod(target.c_str(), 0644), 0);
    const std::string link = folder.File("piece.mid");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    ASSERT_TRUE(doc->OnOpenDocument(link.c_str()));
    AddNote(doc.get());
    prompts.Answer(IDNO);
    ASSERT_TRUE(doc->DoFileSave()) << prompts.GetLast().text;

    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), target);
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_NE(ReadBytes(target), SmallPiece());
    doc->OnCloseDocument();
    EXPECT_EQ(CountNotes(Open(target)->GetBaseEvent()), 5);
}

TEST_F(DocumentFileTest, ANativeSaveThatFailsKeepsFormatAndPathAndTheNextSaveAsksAgain) {
    const std::string mid = folder.File("piece.mid");
    const std::string mmm = folder.File("piece.mmm");
    WriteBytes(mid, SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));

    auto previous = SetStorageFaultHook([](StorageStep step, const std::string&) {
        return step == StorageStep::write ? ENOSPC : 0;
    });
    prompts.Answer(IDYES);
    const bool saved = doc->DoFileSave();
    SetStorageFaultHook(previous);
    EXPECT_FALSE(saved);
    EXPECT_EQ(prompts.GetCount(), 2u);   // the question, then the failure
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    EXPECT_EQ(doc->GetPathName(), mid);
    EXPECT_FALSE(FileExists(mmm));

    // Asked again, and saved natively beside the MIDI file, which stays.
    prompts.Answer(IDYES);
    ASSERT_TRUE(doc->DoFileSave());
    ASSERT_EQ(prompts.GetCount(), 3u);
    EXPECT_EQ(prompts.GetLast().text, LoadString(MCOpusDoc::IDS_SAVE_NATIVE_QUESTION));
    EXPECT_EQ(ReadBytes(mid), SmallPiece());
    EXPECT_EQ(IsStorageFile(mmm), S_OK);
    EXPECT_EQ(doc->GetPathName(), mmm);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_NATIVE);
}

TEST_F(DocumentFileTest, AnotherDocumentInTheWayIsReplacedOnlyWhenTheUserAgrees) {
    const std::string other = "another piece";
    const struct {
        const char* name;
        int answer;              // to the question whether to replace
        const char* chosen;      // the save dialog's path; null: cancelled
        const char* savedAs;     // the document's file afterwards; null: not saved
    } cases[] = {
        {"yes", IDYES, nullptr, "piece.mmm"},
        {"no, then a path", IDNO, "elsewhere.mmm", "elsewhere.mmm"},
        {"no, then cancel", IDNO, nullptr, nullptr},
        {"cancel", IDCANCEL, nullptr, nullptr},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = folder.File(std::to_string(run++));
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        const std::string mid = dir + "/piece.mid";
        const std::string mmm = dir + "/piece.mmm";
        WriteBytes(mid, SmallPiece());
        file_test::WriteText(mmm, other);
        std::unique_ptr<MCOpusDoc> document = Open(mid);

        std::vector<std::string> offered;
        auto previous = CDocument::SetSavePathHook([&](CDocument*, std::string& p, int) {
            offered.push_back(p);
            if (!c.chosen)
                return 0;
            p = dir + "/" + c.chosen;
            return 1;
        });
        prompts.Clear();
        prompts.Answer({IDYES, c.answer});
        const bool saved = document->DoFileSave();
        CDocument::SetSavePathHook(previous);

        const std::vector<PromptRequest> asked = prompts.GetRequests();
        ASSERT_GE(asked.size(), 2u);
        EXPECT_EQ(asked[1].text, Format(LoadString(MCOpusDoc::IDS_REPLACE_NATIVE_QUESTION).c_str(), "piece.mmm"));
        EXPECT_EQ(offered, c.answer == IDNO ? std::vector<std::string>{mmm} : std::vector<std::string>{});
        EXPECT_EQ(ReadBytes(mid), SmallPiece());
        EXPECT_EQ(saved, c.savedAs != nullptr);
        if (c.savedAs) {
            EXPECT_EQ(document->GetPathName(), dir + "/" + c.savedAs);
            EXPECT_EQ(document->GetHeader()->GetFormat(), DF_NATIVE);
            EXPECT_EQ(IsStorageFile(dir + "/" + c.savedAs), S_OK);
        } else {
            EXPECT_EQ(document->GetPathName(), mid);
            EXPECT_EQ(document->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
        }
        if (!c.savedAs || std::string(c.savedAs) != "piece.mmm") {
            EXPECT_EQ(file_test::ReadText(mmm), other);
        }
    }
}

// ---------------------------------------------------------------- damaged gains

// The small piece saved natively with the first staff's gain set to `gain`.
void SaveWithStaffGain(DocumentFileTest& test, const std::string& mmm, float gain) {
    const std::string mid = test.folder.File("gain.mid");
    WriteBytes(mid, SmallPiece());
    std::unique_ptr<MCOpusDoc> source = test.Open(mid);
    auto* staff = dynamic_cast<DCsqStaff*>(DCsqTrack::GetTrackData(1u, TT_STAFF, source->GetSequence()));
    ASSERT_NE(staff, nullptr);
    staff->SetTrackGain(gain);
    source->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(source->OnSaveDocument(mmm.c_str()));
    source->OnCloseDocument();
}

// A damaged file's staff gain, far past any level or not a number at all,
// opens with the staff's volume within its range: the gain was converted to
// an integer before it was cut, which has no value for it.
TEST_F(DocumentFileTest, AStaffGainPastAnyLevelOpensWithTheVolumeInItsRange) {
    const struct {
        const char* name;
        float gain;
        int volume;   // at the staff's document volume, 100
    } cases[] = {
        {"huge", 1.3e38f, 127},
        {"huge and negative", -1.3e38f, 0},
        {"not a number", std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string mmm = folder.File(std::string(c.name) + ".mmm");
        ASSERT_NO_FATAL_FAILURE(SaveWithStaffGain(*this, mmm, c.gain));
        std::unique_ptr<MCOpusDoc> reopened = Open(mmm);
        ASSERT_NE(reopened->GetBaseEvent(), nullptr);
        auto* staff = dynamic_cast<DCsqStaff*>(DCsqTrack::GetTrackData(1u, TT_STAFF, reopened->GetSequence()));
        ASSERT_NE(staff, nullptr);
        EXPECT_EQ(std::isnan(staff->GetTrackGain()), std::isnan(c.gain));
        EXPECT_EQ(staff->GetLastPerformedVolume(), c.volume);
        reopened->OnCloseDocument();
    }
}

// ---------------------------------------------------------------- the fuzz seeds

// Writes the seed corpus of the document fuzz target: the "Contents" of a
// native document, of an empty tree, and a MIDI file. Run on purpose:
//   interface_tests --gtest_also_run_disabled_tests --gtest_filter='DocumentFileTest.DISABLED_WriteFuzzCorpus'
TEST_F(DocumentFileTest, DISABLED_WriteFuzzCorpus) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    std::filesystem::create_directories(corpus);
    WriteBytes(folder.File("piece.mid"), SmallPiece());
    ASSERT_TRUE(doc->OnOpenDocument(folder.File("piece.mid").c_str()));
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->OnSaveDocument(folder.File("piece.mmm").c_str()));
    WriteBytes(corpus + "/piece.contents", Contents(folder.File("piece.mmm")));

    std::unique_ptr<MCOpusDoc> empty = MakeDocument();
    empty->CreatePerformance(0);
    empty->GetSequence()->Attach(empty->GetBaseEvent());
    empty->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(empty->OnSaveDocument(folder.File("empty.mmm").c_str()));
    WriteBytes(corpus + "/empty-tree.contents", Contents(folder.File("empty.mmm")));
    WriteBytes(corpus + "/piece.mid", SmallPiece());
}

// Writes the seed of a damaged document whose first staff's gain is 1.3e38. Run on purpose:
//   interface_tests --gtest_also_run_disabled_tests --gtest_filter='DocumentFileTest.DISABLED_WriteHugeGainSeed'
TEST_F(DocumentFileTest, DISABLED_WriteHugeGainSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    ASSERT_NO_FATAL_FAILURE(SaveWithStaffGain(*this, folder.File("huge.mmm"), 1.3e38f));
    WriteBytes(corpus + "/huge-staff-gain.seed", Contents(folder.File("huge.mmm")));
}

}   // namespace
