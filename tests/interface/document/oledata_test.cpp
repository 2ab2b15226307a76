// The clipboard formats: the description block's bytes (golden, with its
// item table's order), events and description carried through the
// clipboard and read back, frames with their objects under fresh item
// numbers, the answers to what is offered, and data from another process
// that is damaged, refused with nothing left behind.
//
// The GUI main's offscreen platform keeps a clipboard of its own within the
// process, so the round trips below go through the real clipboard; damaged
// data is handed over as a drop (a data object attached to toolkit data).
#include "interface/document/oledata.h"
#include "interface/document/embedding.h"
#include "interface/document/itemstorage.h"
#include "interface/document/oledatainfo.h"
#include "model/frame.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/ui/prompt_script.h"
#include "sequencer/performers.h"
#include "tests/interface/document/doc_support.h"
#include "tests/interface/document/embedding_support.h"
#include "tests/platform/file_support.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// An event that counts its instances, so that a test sees whether a failed
// read freed every event it made.
class ECClipProbe : public ECWithTime {
    DECLARE_SERIAL(ECClipProbe)
public:
    ECClipProbe() { ++s_live; }
    ~ECClipProbe() override { --s_live; }
    static int s_live;
};
int ECClipProbe::s_live = 0;
IMPLEMENT_SERIAL(ECClipProbe, ECWithTime, 1)

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Store(CObject& object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return file.Detach();
}

// The class tag of a class met for the first time in an archive.
Bytes NewClassTag(const std::string& name, uint16_t schema) {
    Bytes tag = {0xFF, 0xFF, static_cast<uint8_t>(schema), static_cast<uint8_t>(schema >> 8),
                 static_cast<uint8_t>(name.size()), 0x00};
    for (char c : name)
        tag.push_back(static_cast<uint8_t>(c));
    return tag;
}

// Toolkit data offering `bytes` under a registered format, as another
// process's copy or drop would.
std::unique_ptr<QMimeData> Offer(const std::vector<std::pair<const char*, Bytes>>& formats) {
    auto data = std::make_unique<QMimeData>();
    for (const auto& [name, bytes] : formats) {
        const std::string mimeType = GetClipboardFormatMimeType(RegisterClipboardFormat(name));
        data->setData(QString::fromStdString(mimeType),
                      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    }
    return data;
}

// The text kind of a title.
constexpr unsigned char kTitle = 8;

COleDataInfo::FrameSize Frame(int cx, int cy) {
    return {cx, cy};
}

// ---- the description block -------------------------------------------------------

TEST(OleDataInfo, EmptyBlockIsTheEventTypeAndAZeroCount) {
    COleDataInfo info;
    EXPECT_EQ(Store(info), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
}

TEST(OleDataInfo, ItemsAreWrittenBucketByBucketMostRecentFirst) {
    COleDataInfo info;
    info.SetEventType(29);
    const uint8_t zero[] = {0xAA};
    const uint8_t later[] = {0x01, 0x02};
    const uint8_t negative[] = {0x7F};
    // Buckets: 0 and 272 go to bucket 0, 16 to bucket 1, -1 (0x0FFFFFFF) to 15.
    EXPECT_EQ(info.SetInfoItem(0, zero, 1), 1);
    EXPECT_EQ(info.SetInfoItem(16, nullptr, 0), 1);
    EXPECT_EQ(info.SetInfoItem(272, later, 2), 1);
    EXPECT_EQ(info.SetInfoItem(-1, negative, 1), 1);
    EXPECT_EQ(info.GetKeys(), (std::vector<int>{272, 0, 16, -1}));

    EXPECT_EQ(Store(info), (Bytes{
                               0x1D, 0x00, 0x00, 0x00,                          // event type 29
                               0x04, 0x00,                                      // four items
                               0x10, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // 272: 2 bytes
                               0x01, 0x02,                                      //
                               0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // 0: 1 byte
                               0xAA,                                            //
                               0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 16: empty
                               0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00,  // -1: 1 byte
                               0x7F,
                           }));
}

TEST(OleDataInfo, AKeyIsStoredOnceAndTheFirstItemStays) {
    COleDataInfo info;
    const char first[] = "first";
    const char second[] = "second";
    EXPECT_EQ(info.SetInfoItem(5, first, 5), 1);
    EXPECT_EQ(info.SetInfoItem(5, second, 6), 0);
    EXPECT_EQ(info.SetInfoItem(5, std::make_unique<COleInfoItem>(6, second)), 0);

    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(info.GetInfoItem(5, data, size), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(data), static_cast<size_t>(size)), "first");
    EXPECT_EQ(info.GetItemCount(), 1);
    EXPECT_EQ(info.GetInfoItem(6, data, size), 0);

    const COleInfoItem* item = nullptr;
    ASSERT_EQ(info.GetInfoItem(5, item), 1);
    EXPECT_EQ(item->GetInfoSize(), 5);
}

TEST(OleDataInfo, ItemBytesFollowTheirSize) {
    const uint8_t bytes[] = {1, 2, 3};
    COleInfoItem item(3, bytes);
    COleInfoItem copy(item);
    item.SetInfoSize(5);
    EXPECT_EQ(Bytes(item.GetInfoData(), item.GetInfoData() + 5), (Bytes{1, 2, 3, 0, 0}));
    EXPECT_EQ(Bytes(copy.GetInfoData(), copy.GetInfoData() + 3), (Bytes{1, 2, 3}));   // its own copy
    item.SetInfoSize(-4);
    EXPECT_EQ(item.GetInfoSize(), 0);
    EXPECT_EQ(item.GetInfoData(), nullptr);
    EXPECT_EQ(COleInfoItem(-1, bytes).GetInfoSize(), 0);
}

TEST(OleDataInfo, FrameAndTupletFollowTheItemsOnlyWhenSet) {
    COleDataInfo info;
    info.SetFrameInfo(Frame(1440, 720), {100, -50});
    info.SetTupletInfo(3, 2, 1);
    const Bytes bytes = Store(info);
    EXPECT_EQ(bytes, (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00,   // type, no items
                            'F', 'T', 'I', '1',                   //
                            0xA0, 0x05, 0x00, 0x00, 0xD0, 0x02, 0x00, 0x00,
                            0x64, 0x00, 0x00, 0x00, 0xCE, 0xFF, 0xFF, 0xFF,
                            0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));

    COleDataInfo read;
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    read.Serialize(ar);
    COleDataInfo::FrameSize size;
    COleDataInfo::FramePoint point;
    read.GetFrameInfo(size, point);
    EXPECT_EQ(size, Frame(1440, 720));
    EXPECT_EQ(point, (COleDataInfo::FramePoint{100, -50}));
    int t1 = 0, t2 = 0, t3 = 0;
    read.GetTupletInfo(t1, t2, t3);
    EXPECT_EQ((std::vector<int>{t1, t2, t3}), (std::vector<int>{3, 2, 1}));
}

TEST(OleDataInfo, LoadingReplacesAKeyPresentInPlace) {
    COleDataInfo source;
    const uint8_t newer[] = {9, 9};
    source.SetInfoItem(7, newer, 2);
    source.SetEventType(11);

    COleDataInfo block;
    const uint8_t older[] = {1};
    block.SetInfoItem(7, older, 1);
    block.SetInfoItem(7 + 17 * 16, older, 1);   // same bucket, stored later: first in it
    // Frame and tuplet values not in the data stay as they were.
    block.SetTupletInfo(5, 4, 3);

    CMemFile file(Store(source));
    CArchive ar(&file, CArchive::load);
    block.Serialize(ar);
    EXPECT_EQ(block.GetEventType(), 11);
    EXPECT_EQ(block.GetKeys(), (std::vector<int>{7 + 17 * 16, 7}));
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(block.GetInfoItem(7, data, size), 1);
    EXPECT_EQ(Bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size), (Bytes{9, 9}));
    int t1 = 0, t2 = 0, t3 = 0;
    block.GetTupletInfo(t1, t2, t3);
    EXPECT_EQ((std::vector<int>{t1, t2, t3}), (std::vector<int>{5, 4, 3}));
}

// ---- through the clipboard -------------------------------------------------------

class OleDataClipboard : public ::testing::Test, protected doc_support::DocumentParts {
protected:
    void SetUp() override {
        NewPiece();
        MCOpusDoc::SetActiveDoc(doc.get());
        QGuiApplication::clipboard()->clear();
    }

    // A note with its MIDI words, a text and a probe, at times out of order.
    void FillEvents(MCEventList& events) {
        auto* note = new ECNote(MCTime(2.5f), MCTime(0.75f));
        note->SetVoiceTrack(2, 3);
        auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 1));
        ASSERT_NE(performer, nullptr);
        FCMidi on;
        on.SetStatusByte(0x92);
        on.SetDataByte1(64);
        on.SetDataByte2(100);
        performer->SetNoteOnData(on);
        auto* text = new ECText(kTitle, "Largo \xC3\xA9t\xC3\xA9");
        const MCTime textTime(1.0f);
        text->SetTime(&textTime);
        text->SetVoiceTrack(0, 1);
        events.AddEvent(note, UNSORTED);
        events.AddEvent(text, UNSORTED);
        events.AddEvent(new ECClipProbe, UNSORTED);
    }

    // Events and, when given, a description, put on the clipboard by a data source.
    void PutOnClipboard(const MCEventList* events, COleDataInfo* info) {
        auto* source = new COleDataOut(doc.get());
        if (info) {
            ASSERT_EQ(source->SetInfo(info), 1);
        }
        if (events) {
            ASSERT_EQ(source->SetEvents(*events), 1);
        }
        ASSERT_EQ(source->SetClipboard(), 1);
    }
};

TEST_F(OleDataClipboard, EventsAndDescriptionComeBackAsTheyWent) {
    ECPerformance* performance = doc->GetBaseEvent();
    // The document's tree is of an older file version; clipboard data is
    // always of the current one and must be read so.
    performance->SetVersion(0);
    {
        MCEventList events;
        FillEvents(events);
        COleDataInfo info;
        info.SetEventType(-2);
        info.SetInfoItem(3, "abc", 3);
        PutOnClipboard(&events, &info);
    }
    EXPECT_EQ(ECClipProbe::s_live, 0);   // the clipboard keeps bytes, not events

    COleDataIn in(doc.get());
    EXPECT_EQ(in.CheckForData(OLEDATA_ATTACH_CLIPBOARD), 1);
    MCEventList read;
    COleDataInfo info;
    ASSERT_EQ(in.GetOurData(&read, &info, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS | OLEDATA_INFO), 1);
    EXPECT_EQ(performance->GetVersion(), 0);

    ASSERT_EQ(read.GetCount(), 3);
    POSITION pos = read.GetHeadPosition();
    ECBase* note = read.GetNext(pos);
    ECBase* text = read.GetNext(pos);
    ECBase* probe = read.GetNext(pos);
    ASSERT_EQ(note->GetClassType(), ET_NOTE);
    EXPECT_EQ(note->GetTime()->GetSeconds(), 2.5f);
    EXPECT_EQ(note->GetDuration()->GetSeconds(), 0.75f);
    EXPECT_EQ(*note->GetVoiceTrack(), MCVoiceTrack(2, 3));
    auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0));
    ASSERT_NE(performer, nullptr);
    EXPECT_EQ(performer->GetNoteOnData().GetStatusByte(), 0x92);
    EXPECT_EQ(performer->GetNoteOnData().GetDataByte1(), 64);
    EXPECT_EQ(performer->GetNoteOnData().GetDataByte2(), 100);

    ASSERT_EQ(text->GetClassType(), ET_TEXT);
    EXPECT_EQ(static_cast<ECText*>(text)->GetText(), "Largo \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(static_cast<ECText*>(text)->GetTextType(), kTitle);
    EXPECT_EQ(text->GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(*text->GetVoiceTrack(), MCVoiceTrack(0, 1));
    EXPECT_NE(dynamic_cast<ECClipProbe*>(probe), nullptr);
    EXPECT_TRUE(note->GetParents()->IsEmpty());

    EXPECT_EQ(info.GetEventType(), -2);
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(info.GetInfoItem(3, data, size), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(data), static_cast<size_t>(size)), "abc");
}

TEST_F(OleDataClipboard, OnlyTheMusicFormatOffered) {
    MCEventList events;
    FillEvents(events);
    PutOnClipboard(&events, nullptr);

    COleDataIn in(doc.get());
    const struct {
        int flags;
        int expected;
    } cases[] = {
        {OLEDATA_INFO, 0},
        {OLEDATA_EVENTS, 1},
        {0, 1},                              // none asked: the music format
        {OLEDATA_EVENTS | OLEDATA_INFO, 1},  // the events are asked first
        {OLEDATA_OLEOBJECT, 0},              // no embedded objects here
    };
    for (const auto& c : cases)
        EXPECT_EQ(in.CheckForData(OLEDATA_ATTACH_CLIPBOARD | c.flags), c.expected) << c.flags;
    // Without attaching, nothing is attached: nothing is offered.
    EXPECT_EQ(in.CheckForData(OLEDATA_EVENTS), 0);
}

TEST_F(OleDataClipboard, AFailedDescriptionReadMakesTheResultZeroThoughTheEventsCame) {
    MCEventList events;
    FillEvents(events);
    PutOnClipboard(&events, nullptr);   // no description at all

    COleDataIn in(doc.get());
    MCEventList read;
    COleDataInfo info;
    info.SetEventType(41);
    EXPECT_EQ(in.GetOurData(&read, &info, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS | OLEDATA_INFO), 0);
    EXPECT_EQ(read.GetCount(), 3);
    EXPECT_EQ(info.GetEventType(), 41);   // untouched
    EXPECT_EQ(in.GetOurData(&read, nullptr, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS), 1);
    EXPECT_EQ(read.GetCount(), 6);

    // A description that is there but damaged reads as failed as well.
    COleDataInfo full;
    full.SetInfoItem(1, "xyz", 3);
    Bytes damaged = Store(full);
    damaged.pop_back();
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        events.Serialize(ar);
    }
    auto dropped = Offer({{CF_MUSICFORMAT_NAME, file.Detach()}, {CF_OBJECTINFO_NAME, damaged}});
    in.GetDataObject().Attach(dropped.get());
    MCEventList dropRead;
    EXPECT_EQ(in.GetOurData(&dropRead, &info, OLEDATA_EVENTS | OLEDATA_INFO), 0);
    EXPECT_EQ(dropRead.GetCount(), 3);
    EXPECT_EQ(info.GetItemCount(), 0);
}

TEST_F(OleDataClipboard, NothingToWriteIsRefused) {
    COleDataOut out(doc.get());
    EXPECT_EQ(out.SetInfo(nullptr), 0);
    EXPECT_EQ(out.SetEvents(MCEventList()), 0);
    SCSelection selection(STATE_SELECTION_REPLACE);
    COleDataInfo info;
    EXPECT_EQ(out.SetFromSelection(selection, &info), 0);   // the description went, the events did not
    EXPECT_NE(out.GetCachedData(out.GetInfoFormat()), nullptr);
    EXPECT_EQ(out.GetCachedData(out.GetMusicFormat()), nullptr);
}

TEST_F(OleDataClipboard, ASelectionIsCopiedWithItsDescription) {
    MCEventList events;
    FillEvents(events);
    SCSelection selection(STATE_SELECTION_REPLACE, &events);
    COleDataInfo info;
    info.SetEventType(selection.GetEventType());
    auto* out = new COleDataOut(doc.get());
    ASSERT_EQ(out->SetFromSelection(selection, &info), 1);
    EXPECT_EQ(out->GetInfo(), &info);
    EXPECT_EQ(out->GetEvents()->GetCount(), 3);
    ASSERT_EQ(out->SetClipboard(), 1);

    COleDataIn in(doc.get());
    MCEventList read;
    COleDataInfo readInfo;
    EXPECT_EQ(in.GetOurData(&read, &readInfo, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS | OLEDATA_INFO), 1);
    EXPECT_EQ(read.GetCount(), 3);
    EXPECT_EQ(readInfo.GetEventType(), -2);
}

// ---- damaged data from another process -------------------------------------------

// `count` probes, as another instance would have written them.
Bytes Probes(int count) {
    MCEventList events;
    for (int i = 0; i < count; ++i)
        events.AddEvent(new ECClipProbe, UNSORTED);
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    events.Serialize(ar);
    ar.Close();
    return file.Detach();
}

TEST_F(OleDataClipboard, DamagedEventDataIsRefusedAndLeavesNothingBehind) {
    const Bytes whole = Probes(2);
    // After the count: the first probe's class tag and record, then a back
    // reference to its class and the second record.
    const Bytes afterCount(whole.begin() + 2, whole.end());

    std::vector<std::pair<std::string, Bytes>> cases = {
        {"count beyond the events", Bytes{0x05, 0x00} + afterCount},
        {"count beyond the bytes", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F} + afterCount},
        {"unknown class", Bytes{0x01, 0x00} + NewClassTag("ECNoSuchEvent", 1) + Bytes(8, 0)},
        {"class that is not an event", Bytes{0x01, 0x00} + NewClassTag("COleDataInfo", 1) + Bytes(6, 0)},
        {"index never seen", Bytes{0x01, 0x00, 0x09, 0x00}},
        {"class of another schema", Bytes{0x01, 0x00} + NewClassTag("ECClipProbe", 7) + Bytes(16, 0)},
    };
    // Every cut, the second event's last byte among them.
    for (size_t cut = 0; cut < whole.size(); ++cut)
        cases.push_back({"cut at " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut)});

    COleDataIn in(doc.get());
    MCEventList read;
    read.AddEvent(new ECNote, UNSORTED);
    for (const auto& [what, bytes] : cases) {
        auto dropped = Offer({{CF_MUSICFORMAT_NAME, bytes}});
        in.GetDataObject().Attach(dropped.get());
        EXPECT_EQ(in.GetOurData(&read, nullptr, OLEDATA_EVENTS), 0) << what;
        EXPECT_EQ(read.GetCount(), 1) << what;
        EXPECT_EQ(ECClipProbe::s_live, 0) << what;
    }

    // The whole data, and one probe alone, read.
    for (const Bytes& good : {whole, Probes(1)}) {
        auto dropped = Offer({{CF_MUSICFORMAT_NAME, good}});
        in.GetDataObject().Attach(dropped.get());
        EXPECT_EQ(in.GetOurData(&read, nullptr, OLEDATA_EVENTS), 1);
    }
    EXPECT_EQ(read.GetCount(), 4);
    read.RemoveAll();
    EXPECT_EQ(ECClipProbe::s_live, 0);
}

TEST_F(OleDataClipboard, DamagedDescriptionIsRefusedAndLeavesTheBlockAsItWas) {
    COleDataInfo full;
    full.SetEventType(29);
    full.SetInfoItem(1, "abcd", 4);
    full.SetInfoItem(2, "ef", 2);
    const Bytes whole = Store(full);

    std::vector<std::pair<std::string, Bytes>> cases = {
        {"count beyond the bytes", Bytes{0x1D, 0, 0, 0, 0x03, 0x00} + Bytes(whole.begin() + 6, whole.end())},
        {"32-bit count beyond the bytes", Bytes{0x1D, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
        {"negative size", Bytes{0x1D, 0, 0, 0, 0x01, 0x00, 0x01, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"size beyond the bytes", Bytes{0x1D, 0, 0, 0, 0x01, 0x00, 0x01, 0, 0, 0, 0x00, 0x00, 0x00, 0x40, 'a'}},
    };
    for (size_t cut = 0; cut < whole.size(); ++cut)
        cases.push_back({"cut at " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut)});

    COleDataIn in(doc.get());
    COleDataInfo block;
    block.SetEventType(5);
    block.SetInfoItem(9, "z", 1);
    for (const auto& [what, bytes] : cases) {
        auto dropped = Offer({{CF_OBJECTINFO_NAME, bytes}});
        in.GetDataObject().Attach(dropped.get());
        EXPECT_EQ(in.GetOurData(nullptr, &block, OLEDATA_INFO), 0) << what;
        EXPECT_EQ(block.GetEventType(), 5) << what;
        EXPECT_EQ(block.GetKeys(), std::vector<int>{9}) << what;
    }

    auto dropped = Offer({{CF_OBJECTINFO_NAME, whole}});
    in.GetDataObject().Attach(dropped.get());
    EXPECT_EQ(in.GetOurData(nullptr, &block, OLEDATA_INFO), 1);
    EXPECT_EQ(block.GetEventType(), 29);
    EXPECT_EQ(block.GetItemCount(), 3);
}

// ---- frames and their objects ---------------------------------------------------

class OleDataFrames : public OleDataClipboard {
protected:
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    const Bytes png = embedding_test::Png(40, 20, 0);
    CScoreCntrItem* original = nullptr;

    void SetUp() override {
        OleDataClipboard::SetUp();
        doc->GetHeader()->SetFormat(DF_NATIVE);
        original = AddFrame(*doc);
        const std::string file = folder.File("picture.png");
        file_test::WriteText(file, std::string(png.begin(), png.end()));
        ASSERT_EQ(CreateItemFromFile(*original, file, 0), 1);
    }
    ~OleDataFrames() override { SetPromptHandler(previousPrompts); }

    // A frame under the document's performance holding a new item.
    static CScoreCntrItem* AddFrame(MCOpusDoc& document) {
        auto* frame = new ECFrame(0);
        auto* item = new CScoreCntrItem;
        item->SetItemNumber(document.GetNewItemNumber());
        frame->SetClientItem(item);
        document.GetBaseEvent()->AddChild(frame, SORTED);
        return item;
    }

    // The original frame and a probe, as a copy's source offers them.
    std::unique_ptr<COleDataOut> Copy() {
        auto source = std::make_unique<COleDataOut>(doc.get());
        MCEventList events;
        events.AddEvent(original->GetECFrame(), UNSORTED);
        events.AddEvent(new ECClipProbe, UNSORTED);
        EXPECT_EQ(source->SetEvents(events), 1);
        return source;
    }

    // The frame read into `document`'s reader from what `source` offers.
    static ECFrame* ReadFrame(MCOpusDoc& document, QMimeData& data, MCEventList& read) {
        COleDataIn in(&document);
        in.GetDataObject().Attach(&data);
        if (!in.GetOurData(&read, nullptr, OLEDATA_EVENTS))
            return nullptr;
        for (POSITION pos = read.GetHeadPosition(); pos;)
            if (auto* frame = dynamic_cast<ECFrame*>(read.GetNext(pos)))
                return frame;
        return nullptr;
    }

    static std::unique_ptr<QMimeData> Offered(COleDataOut& source, std::vector<const char*> names) {
        std::vector<std::pair<const char*, Bytes>> formats;
        for (const char* name : names) {
            const Bytes* bytes = source.GetCachedData(RegisterClipboardFormat(name));
            EXPECT_NE(bytes, nullptr) << name;
            if (bytes)
                formats.push_back({name, *bytes});
        }
        return Offer(formats);
    }

    // The objects of the document's items, saved and read back from a copy
    // of the file (the saved document keeps its own open), in order.
    std::vector<Bytes> SavedObjects(MCOpusDoc& document, const std::string& name) {
        const std::string path = folder.File(name);
        EXPECT_TRUE(document.OnSaveDocument(path.c_str())) << prompts.GetLast().text;
        const std::string copy = folder.File("copy-" + name);
        std::filesystem::copy_file(path, copy);
        std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
        EXPECT_TRUE(reopened->OnOpenDocument(copy.c_str())) << prompts.GetLast().text;
        std::vector<Bytes> objects;
        for (CScoreCntrItem* item : CollectItems(reopened->GetBaseEvent()))
            objects.push_back(item->GetData());
        reopened->OnCloseDocument();
        std::sort(objects.begin(), objects.end());
        return objects;
    }
};

TEST_F(OleDataFrames, AFramePastedInItsDocumentKeepsItsObjectUnderAFreshNumber) {
    std::unique_ptr<COleDataOut> source = Copy();
    auto data = Offered(*source, {CF_MUSICFORMAT_NAME, CF_OBJECTDATA_NAME});
    MCEventList read;
    ECFrame* frame = ReadFrame(*doc, *data, read);
    ASSERT_NE(frame, nullptr);
    CScoreCntrItem* copy = frame->GetClientItem();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetData(), png);
    EXPECT_EQ(copy->GetMimeType(), "image/png");
    EXPECT_EQ(copy->GetFileName(), "picture.png");
    EXPECT_FALSE(copy->IsLinked());
    EXPECT_NE(copy->GetItemNumber(), original->GetItemNumber());
    EXPECT_NE(copy->GetItemNumber(), 0u);

    doc->GetBaseEvent()->AddChild(frame, SORTED);
    EXPECT_EQ(SavedObjects(*doc, "one.mmm"), (std::vector<Bytes>{png, png}));
    read.RemoveAll();
    source.reset();
    EXPECT_EQ(ECClipProbe::s_live, 0);
}

TEST_F(OleDataFrames, AFramePastedInAnotherDocumentKeepsItsObject) {
    std::unique_ptr<COleDataOut> source = Copy();
    auto data = Offered(*source, {CF_MUSICFORMAT_NAME, CF_OBJECTDATA_NAME});
    std::unique_ptr<MCOpusDoc> other = MakeDocument();
    other->OnNewDocument();
    other->GetHeader()->SetFormat(DF_NATIVE);
    AddFrame(*other);   // holds the number the original has in its own document
    MCOpusDoc::SetActiveDoc(other.get());
    {
        MCEventList read;
        ECFrame* frame = ReadFrame(*other, *data, read);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetClientItem()->GetData(), png);
        EXPECT_EQ(frame->GetClientItem()->GetFileName(), "picture.png");
        EXPECT_NE(frame->GetClientItem()->GetItemNumber(), original->GetItemNumber());
        other->GetBaseEvent()->AddChild(frame, SORTED);
    }
    EXPECT_EQ(SavedObjects(*other, "other.mmm"), (std::vector<Bytes>{Bytes{}, png}));
    other->OnCloseDocument();
    MCOpusDoc::SetActiveDoc(doc.get());
}

TEST_F(OleDataFrames, WithoutTheObjectFormatAFrameComesAsBeforeUnderAFreshNumber) {
    std::unique_ptr<COleDataOut> source = Copy();
    auto data = Offered(*source, {CF_MUSICFORMAT_NAME});
    MCEventList read;
    ECFrame* frame = ReadFrame(*doc, *data, read);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->GetClientItem()->GetData().empty());
    EXPECT_NE(frame->GetClientItem()->GetItemNumber(), original->GetItemNumber());
    EXPECT_EQ(read.GetCount(), 2);
}

TEST_F(OleDataFrames, DamagedObjectDataIsRefusedAndLeavesNothingBehind) {
    std::unique_ptr<COleDataOut> source = Copy();
    const Bytes music = *source->GetCachedData(source->GetMusicFormat());
    const Bytes whole = *source->GetCachedData(RegisterClipboardFormat(CF_OBJECTDATA_NAME));
    const uint32_t number = original->GetItemNumber();
    const Bytes numberBytes = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                               static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"count beyond the objects", Bytes{0x02, 0x00} + Bytes(whole.begin() + 2, whole.end())},
        {"size beyond the bytes", Bytes{0x01, 0x00} + numberBytes + Bytes{0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}},
    };
    for (size_t cut = 0; cut < whole.size(); cut += (cut < 40 ? 1 : 97))
        cases.push_back({"cut at " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut)});

    MCEventList read;
    read.AddEvent(new ECNote, UNSORTED);
    for (const auto& [what, bytes] : cases) {
        auto dropped = Offer({{CF_MUSICFORMAT_NAME, music}, {CF_OBJECTDATA_NAME, bytes}});
        COleDataIn in(doc.get());
        in.GetDataObject().Attach(dropped.get());
        EXPECT_EQ(in.GetOurData(&read, nullptr, OLEDATA_EVENTS), 0) << what;
        EXPECT_EQ(read.GetCount(), 1) << what;
        EXPECT_EQ(ECClipProbe::s_live, 1) << what;   // the source's own
    }
    EXPECT_EQ(original->GetData(), png);
}

}  // namespace
