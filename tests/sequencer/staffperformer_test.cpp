// The staff performers on a real piece with its sequence and the capture
// backend: the set-up a new staff gets, the gain sent at once as controller 7
// to each voice's output, the instrument's bytes and their order, channel
// content and the voice map it sets, the filters that transposition marks
// lend and dynamics trigger, and the staff's archive (the current form, the
// first files' form, cuts, and the marks' filters a saved list held).
#include "sequencer/staffperformer.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/midievents.h"
#include "sequencer/player.h"
#include "sequencer/ramps.h"
#include "platform/core/archive.h"
#include "tests/model/eventio_support.h"
#include "tests/sequencer/performer_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using performers::Sent;

namespace {

FCMidi Word(unsigned status, unsigned data1, unsigned data2) {
    return FCMidi(status | (data1 << 8) | (data2 << 16));
}

std::vector<unsigned> Bytes(const FCMidi& word) {
    return {word.GetStatusByte(), word.GetDataByte1(), word.GetDataByte2()};
}

class StaffPerformers : public performers::Piece {
protected:
    // Staff 1, its set-up made and sent; nothing captured yet.
    DCsqStaff* FirstStaff() {
        MakeStaves(1);
        TakeSent();
        return StaffPerformer(1);
    }

    // Moves the staff's set-up words to a channel, so its events use only that one.
    static void MoveSetUpTo(DCsqStaff* staff, unsigned channel) {
        for (DCsqMidi* performer : {staff->GetBankMSB(), staff->GetBankLSB(), staff->GetProgram()}) {
            FCMidi word = performer->GetMidiData();
            word.SetStatusLSB(static_cast<unsigned char>(channel));
            performer->SetMidiData(word);
        }
        staff->SetChannelCheckNeeded();
    }
};

TEST_F(StaffPerformers, ANewStaffGetsItsSetUpInBankProgramOrderAndSendsIt) {
    MakeStaves(1);
    // The instrument went to voice 0's output at once: bank MSB, bank LSB, program.
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{0, {0xB0, 0x00, 0x00}}, {0, {0xB0, 0x20, 0x00}}, {0, {0xC0, 0x00}}}));
    DCsqStaff* staff = StaffPerformer(1);
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(staff->GetTrackType(), TT_STAFF);
    EXPECT_EQ(Bytes(staff->GetBankMSB()->GetMidiData()), (std::vector<unsigned>{0xB0, 0, 0}));
    EXPECT_EQ(Bytes(staff->GetBankLSB()->GetMidiData()), (std::vector<unsigned>{0xB0, 32, 0}));
    EXPECT_EQ(Bytes(staff->GetProgram()->GetMidiData()), (std::vector<unsigned>{0xC0, 0, 0}));
    // The three stand in the staff in the order they were made.
    std::vector<int> order;
    MCEventList* children = Staff(1)->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        const int type = children->GetNext(pos)->GetClassType();
        if (type == ET_BANKMSB || type == ET_BANKLSB || type == ET_PROGRAMCHANGE)
            order.push_back(type);
    }
    EXPECT_EQ(order, (std::vector<int>{ET_BANKMSB, ET_BANKLSB, ET_PROGRAMCHANGE}));
    // Asking again finds them: nothing more is made.
    const size_t count = static_cast<size_t>(children->GetCount());
    staff->GetProgram();
    EXPECT_EQ(static_cast<size_t>(children->GetCount()), count);
    // Four filters in running order: voice map, transposition, velocity, volume.
    const std::vector<LCMidiFilter*> filters = staff->GetFilters()->GetFilters();
    EXPECT_EQ(filters, (std::vector<LCMidiFilter*>{staff->GetVoiceMapFilter(), staff->GetTranposeFilter(),
                                                   staff->GetVelocityFilter(), staff->GetVolumeFilter()}));
    EXPECT_FALSE(staff->GetTranposeFilter()->IsEnabled());
    EXPECT_EQ(staff->GetVelocityFilter()->GetStaffData(), staff);
    EXPECT_EQ(staff->GetVolumeFilter()->GetStaffData(), staff);
    EXPECT_EQ(staff->GetVolumeSequencer()->GetStaff(), staff);
}

TEST_F(StaffPerformers, GainIsSentAtOnceAsControllerSevenToEachVoicesOutput) {
    DCsqStaff* staff = FirstStaff();
    const struct {
        const char* step;
        float gain;
        float master;
        std::vector<Sent> expected;
        int performed;
    } steps[] = {
        {"half gain", 0.5f, 1.0f, {{0, {0xB0, 7, 50}}}, 50},
        {"the master level halves it", 1.0f, 0.5f, {{0, {0xB0, 7, 50}}}, 50},
        {"a master level below 1 still counts", 1.0f, 0.75f, {{0, {0xB0, 7, 75}}}, 75},
        {"capped at 127", 2.0f, 1.0f, {{0, {0xB0, 7, 127}}}, 127},
    };
    for (const auto& s : steps) {
        sequence->SetMasterLevel(s.master);
        staff->SetTrackGain(s.gain);
        EXPECT_EQ(TakeSent(), s.expected) << s.step;
        EXPECT_EQ(staff->GetLastPerformedVolume(), s.performed) << s.step;
        EXPECT_FLOAT_EQ(staff->GetVolumeFactor(), s.gain * s.master) << s.step;
    }
    // Voices mapped apart each get their own; a voice without a channel none.
    sequence->SetMasterLevel(1.0f);
    staff->GetVoiceMapFilter()->SetVoiceDevChan(3, 1, 4);
    staff->GetVoiceMapFilter()->SetVoiceDevChan(5, 1, LCMidiVoiceMap::KEEP_CHANNEL);
    staff->SetTrackGain(0.8f);
    std::vector<Sent> expected;
    for (int voice = 0; voice < 8; ++voice) {
        if (voice == 3)
            expected.push_back({1, {0xB4, 7, 80}});
        else if (voice != 5)
            expected.push_back({0, {0xB0, 7, 80}});
    }
    EXPECT_EQ(TakeSent(), expected);
    // The score factor scales the volume as the gain does.
    staff->SetScoreFactor(0.5f);
    EXPECT_FLOAT_EQ(staff->GetVolumeFactor(), 0.4f);
}

TEST_F(StaffPerformers, TheInstrumentLeavesAsBankMSBBankLSBProgramOnTheVoicesChannel) {
    DCsqStaff* staff = FirstStaff();
    staff->SetInstrument(1, 2, 5);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{0, {0xB0, 0x00, 1}}, {0, {0xB0, 0x20, 2}}, {0, {0xC0, 5}}}));
    int msb = -1;
    int lsb = -1;
    EXPECT_EQ(staff->GetInstrument(msb, lsb), 5);
    EXPECT_EQ(msb, 1);
    EXPECT_EQ(lsb, 2);

    // Another output and channel, given; the stored values stay.
    staff->SendInstrument(3, 4, 6, 1, 9);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{1, {0xB9, 0x00, 3}}, {1, {0xB9, 0x20, 4}}, {1, {0xC9, 6}}}));
    EXPECT_EQ(staff->GetInstrument(msb, lsb), 5);

    // Voice 0 keeping each message's channel names no channel: nothing is sent.
    staff->GetVoiceMapFilter()->SetVoiceDevChan(0, 0, LCMidiVoiceMap::KEEP_CHANNEL);
    staff->SendInstrument(1, 2, 5);
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(StaffPerformers, ChannelContentSetsTheVoiceMapWhenTheTrackStarts) {
    DCsqStaff* staff = FirstStaff();
    staff->SetChannelCheckNeeded();
    EXPECT_EQ(staff->GetChannelContent(), 1u);   // its set-up plays on channel 0
    EXPECT_FALSE(staff->AreChannelsMixed());

    // Only channel 3: every voice plays there, and the instrument goes there.
    MoveSetUpTo(staff, 3);
    auto* controller = new ECControlChange;
    controller->SetVoiceTrack(0, 1);
    Staff(1)->AddChild(controller, SORTED);
    static_cast<DCsqMidi*>(controller->GetData(DK_SEQUENCER, 1))->SetMidiData(Word(0xB3, 10, 0));
    staff->InitTrack(sequence.get());
    EXPECT_EQ(staff->GetChannelContent(), 1u << 3);
    EXPECT_EQ(staff->GetChannel(), 3);
    for (int voice = 0; voice < 8; ++voice) {
        EXPECT_EQ(staff->GetVoiceMapFilter()->GetVoiceChannel(voice), 3) << voice;
        EXPECT_EQ(staff->GetVoiceMapFilter()->GetVoiceDevice(voice), 0) << voice;
    }
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{0, {0xB3, 0x00, 0}}, {0, {0xB3, 0x20, 0}}, {0, {0xC3, 0}}}));

    // Channels 3 and 9: mixed; each message keeps its own channel and no
    // instrument is sent on one channel for all.
    static_cast<DCsqMidi*>(controller->GetData(DK_SEQUENCER, 0))->SetMidiData(Word(0xB9, 10, 0));
    staff->SetChannelCheckNeeded();
    staff->InitTrack(sequence.get());
    EXPECT_TRUE(staff->AreChannelsMixed());
    EXPECT_EQ(staff->GetChannelContent(), (1u << 3) | (1u << 9));
    EXPECT_EQ(staff->GetChannel(), 3);
    EXPECT_EQ(staff->GetVoiceMapFilter()->GetVoiceChannel(0), LCMidiVoiceMap::KEEP_CHANNEL);
    EXPECT_TRUE(TakeSent().empty());
    // Known content is not walked again until asked for.
    EXPECT_EQ(staff->CheckChannelContent(1), 0);
    EXPECT_EQ(staff->CheckChannelContent(0), 1);
}

TEST_F(StaffPerformers, AStaffTranspositionEnablesItsFilterOnlyWhenItMovesKeys) {
    DCsqStaff* staff = FirstStaff();
    staff->SetTransposition(5);
    EXPECT_TRUE(staff->GetTranposeFilter()->IsEnabled());
    EXPECT_EQ(staff->GetTranposeFilter()->GetTransposition(), 5);
    staff->SetTransposition(0);
    EXPECT_FALSE(staff->GetTranposeFilter()->IsEnabled());
    staff->SetTransposition(-2);
    staff->GetTranposeFilter()->SetEnabled(0);
    staff->TriggerFilters(nullptr);   // from a walk: the staff keeps its sequence
    EXPECT_TRUE(staff->GetTranposeFilter()->IsEnabled());
    EXPECT_EQ(staff->GetSequence(), sequence.get());
}

TEST_F(StaffPerformers, ATranspositionMarkLendsItsFilterToItsStaffAndTakesItAlongWhenItGoes) {
    DCsqStaff* staff = FirstStaff();
    eventio::Held held;
    auto* mark = held(new ECTranspose(0, MCTime(4.0f)));
    const MCTime at(2.0f);
    mark->SetTime(&at);
    mark->SetVoiceTrack(0, 1);
    auto* performer = static_cast<DCsqTranspose*>(mark->GetData(DK_SEQUENCER, 1));
    performer->TriggerFilters(sequence.get());
    LCMidiTranspose* filter = performer->GetTransposeFilter();
    EXPECT_EQ(filter->GetTransposition(), 12);
    EXPECT_TRUE(staff->GetFilters()->Contains(filter));
    EXPECT_EQ(filter->GetOwnerList(), staff->GetFilters());   // it plays in the staff's chain
    EXPECT_EQ(filter->GetKeeper(), performer->GetFilters());  // and belongs to the mark
    performer->TriggerFilters(sequence.get());
    EXPECT_EQ(staff->GetFilters()->GetCount(), 5);            // once only
    mark->RemoveData();                                        // the mark's performer goes
    EXPECT_EQ(staff->GetFilters()->GetCount(), 4);
}

TEST_F(StaffPerformers, ADynamicSpeaksOnItsStaffsChannelAndTriggersItsFilters) {
    DCsqStaff* staff = FirstStaff();
    MoveSetUpTo(staff, 2);
    auto* event = new ECDynamic(6, MCTime(0.0f));
    event->SetVoiceTrack(0, 1);
    Staff(1)->AddChild(event, SORTED);
    auto* dynamic = static_cast<DCsqDynamic*>(event->GetData(DK_SEQUENCER, 1));
    // Type 6 sounds at 85 on the staff's channel.
    EXPECT_EQ(Bytes(dynamic->GetMidiData()), (std::vector<unsigned>{0xB2, 7, 85}));
    EXPECT_EQ(staff->GetChannelContent(), 1u << 2);   // the new volume word joins the walk

    dynamic->TriggerFilters(sequence.get());
    EXPECT_TRUE(staff->GetVolumeFilter()->IsEnabled());
    EXPECT_FALSE(staff->GetVelocityFilter()->IsEnabled());
    dynamic->UseVolume(0);
    dynamic->TriggerFilters(sequence.get());
    EXPECT_TRUE(staff->GetVelocityFilter()->IsEnabled());

    // A hairpin starts the staff's volume ramp over its span.
    auto* hairpin = new ECDynamic(11, MCTime(2.0f));
    const MCTime at(4.0f);
    hairpin->SetTime(&at);
    hairpin->SetVoiceTrack(0, 1);
    Staff(1)->AddChild(hairpin, SORTED);
    auto* swell = static_cast<DCsqDynamic*>(hairpin->GetData(DK_SEQUENCER, 1));
    swell->SetPercentChange(40.0f);
    swell->UpdateVolume(sequence.get());
    CSeqVolume* ramp = staff->GetVolumeSequencer();
    EXPECT_EQ(ramp->GetClient(), swell);
    EXPECT_EQ(ramp->GetBeginTime(), MCTime(4.0f));
    EXPECT_EQ(ramp->GetDuration(), MCTime(2.0f));
    EXPECT_DOUBLE_EQ(ramp->GetTargetScoreFactor(), 1.4);
    EXPECT_EQ(ramp->GetState(), PLAYER_PLAYING);
    // Stopped, it comes to rest at the device library's next poll.
    sequence->StopSequences();
    for (int step = 0; step < 10 && ramp->GetState() != PLAYER_STOPPED; ++step) {
        clock.Advance(20);
        portavel->WaitForDeviceThread();
    }
    EXPECT_EQ(ramp->GetState(), PLAYER_STOPPED);
}

// ---- archives -------------------------------------------------------------------------------

std::vector<uint8_t> SaveObjects(std::initializer_list<const CObject*> objects) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    for (const CObject* object : objects)
        ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

// Reads `count` objects by reference with an active performance of the version.
std::vector<std::unique_ptr<CObject>> LoadObjects(const std::vector<uint8_t>& bytes, int version, int count) {
    eventio::ActiveVersion active(version);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    ECLoadGuard guard;
    std::vector<CObject*> read;
    for (int i = 0; i < count; ++i)
        read.push_back(ar.ReadObject(RUNTIME_CLASS(DCsqBase)));
    guard.Commit();
    std::vector<std::unique_ptr<CObject>> objects;
    for (CObject* object : read)
        objects.emplace_back(object);
    return objects;
}

// A staff's settings, written and compared.
void Fill(DCsqStaff& staff) {
    staff.SetTrackGain(0.8f);
    staff.SetTrackPan(0.25f);
    staff.SetTransposition(7);
    staff.GetVoiceMapFilter()->SetVoiceDevChan(2, 1, 5);
}

void ExpectFilled(DCsqStaff& staff, bool withPan) {
    EXPECT_EQ(staff.GetTrackGain(), 0.8f);
    EXPECT_EQ(staff.GetTrackPan(), withPan ? 0.25f : 0.0f);
    EXPECT_EQ(staff.GetTransposition(), 7);
    EXPECT_EQ(staff.GetFilters()->GetFilters(),
              (std::vector<LCMidiFilter*>{staff.GetVoiceMapFilter(), staff.GetTranposeFilter(),
                                          staff.GetVelocityFilter(), staff.GetVolumeFilter()}));
    EXPECT_EQ(staff.GetVelocityFilter()->GetStaffData(), &staff);
    EXPECT_EQ(staff.GetVolumeFilter()->GetStaffData(), &staff);
    EXPECT_TRUE(staff.GetTranposeFilter()->IsEnabled());
    EXPECT_EQ(staff.GetVoiceMapFilter()->GetVoiceDevice(2), 1);
    EXPECT_EQ(staff.GetVoiceMapFilter()->GetVoiceChannel(2), 5);
    EXPECT_FLOAT_EQ(staff.GetVolumeFactor(), 0.8f);   // the gain applied after loading
}

TEST_F(StaffPerformers, AStaffComesBackWithItsFourFiltersAndEveryCutIsRefused) {
    DCsqStaff staff;
    Fill(staff);
    const std::vector<uint8_t> bytes = SaveObjects({&staff});
    auto loaded = LoadObjects(bytes, 2, 1);
    ExpectFilled(*static_cast<DCsqStaff*>(loaded[0].get()), true);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(LoadObjects(part, 2, 1), CArchiveException) << cut;
    }
}

TEST_F(StaffPerformers, TheFirstFilesKeptTheGainAfterTheChannelAndNoPan) {
    DCsqStaff staff;
    Fill(staff);
    // The first files' form: the filter part, transposition, content, channel,
    // gain, then the four filters.
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteClass(RUNTIME_CLASS(DCsqStaff));
        ar.MapObject(&staff);
        staff.DCsqFilter::Serialize(ar);
        ar << LONG{7} << WORD{0} << BYTE{0} << 0.8f;
        ar.WriteObject(staff.GetVelocityFilter());
        ar.WriteObject(staff.GetVolumeFilter());
        ar.WriteObject(staff.GetTranposeFilter());
        ar.WriteObject(staff.GetVoiceMapFilter());
        ar.Close();
    }
    auto loaded = LoadObjects(file.Detach(), 0, 1);
    ExpectFilled(*static_cast<DCsqStaff*>(loaded[0].get()), false);
}

TEST_F(StaffPerformers, ALoadedStaffLetsGoOfTheFiltersItsMarksLentIt) {
    DCsqStaff staff;
    DCsqTranspose mark;
    LCMidiTranspose* lent = mark.GetTransposeFilter();
    staff.AddFilter(lent);
    const std::vector<uint8_t> bytes = SaveObjects({&staff, &mark});
    auto loaded = LoadObjects(bytes, 2, 2);
    auto* staffCopy = static_cast<DCsqStaff*>(loaded[0].get());
    auto* markCopy = static_cast<DCsqTranspose*>(loaded[1].get());
    EXPECT_EQ(staffCopy->GetFilters()->GetCount(), 4);
    ASSERT_EQ(markCopy->GetFilters()->GetCount(), 1);
    LCMidiTranspose* filter = markCopy->GetTransposeFilter();
    EXPECT_EQ(filter->GetKeeper(), markCopy->GetFilters());
    EXPECT_FALSE(staffCopy->GetFilters()->Contains(filter));
    staff.RemoveFilter(lent, 0);
}

}   // namespace
