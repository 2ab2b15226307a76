// The renotation checker's fixture: a generated piece (piecegen.h) read and
// notated as the notation fixture does, edits applied to it as the view
// applies them (command batches, edits made in place), and what a
// renotation must agree with: the same piece saved natively, opened again,
// stripped of every derived element and notated whole.
//
// After each edit the fixture's own checks run (voicecheck.h: no overlaps,
// full bars, every note notated, ties joining neighbours); the test then
// compares the renotated dump with the fresh one (SameNotation).
//
// Notating afresh keeps what the user made and the file keeps: notes with
// their played times, lengths, keys and voices, the spelling the user gave
// an added note, meters, keys and clefs (the clef and key guessed at the
// first load are in the file, so the fresh notation does not guess again).
// It takes away what the passes made: rests, chords, tuplets, beams, ties
// and their continuation notes, and dots; every element left is marked for
// every pass. Accidental signs stay, shown again: a sign is the record of
// its note's spelling, which the spelling pass keeps (a renotation does not
// spell a note afresh either).
//
// User-interface thread (the test's).
#pragma once

#include "interface/document/opusdoc.h"
#include "platform/ui/prompt_script.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/notation/support/piecegen.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class ECPerformance;

namespace renotation_check {

class RenotationFixture : public notation_test::NotationFixture {
protected:
    // Reads the piece's file, then adds its second voice in one batch; false
    // when the file was not read.
    bool Start(const StartingPiece& piece);
    // Applies the edit to staff 1 as one batch or one edit in place. Answers
    // what it did, in words a reader can redo ("add key 61 at 1280 length 85
    // voice 0"), or "skip ..." when the piece holds nothing it applies to.
    std::string Apply(const Edit& edit);

    // How the piece goes out and comes back: the document's contents
    // written to memory and read into a new document (quick, for every
    // step), or saved to a .mmm file and opened again (the compound file
    // too, once a sequence).
    enum class Through { MEMORY, FILE };
    // The dump of the piece as it stands, saved natively, opened again,
    // stripped (see above) and notated whole in a view of its own.
    std::string FreshDump(Through through);

private:
    std::string AddNote(const Edit& edit);
    std::string RemoveNote(const Edit& edit);
    std::string MoveNote(const Edit& edit);
    std::string LengthenNote(const Edit& edit);
    std::string InsertMeasures(const Edit& edit);
    std::string RemoveMeasures(const Edit& edit);
    std::string AddMeter(const Edit& edit);
    std::string RemoveMeter(const Edit& edit);
    std::string AddMark(const Edit& edit);
    std::string RemoveMark(const Edit& edit, int type);

    // The piece written out and read into the second document; null (a
    // failure of the test) when that failed.
    MCOpusDoc* Reopened(Through through);

    // The bar (1 to the last) a pick stands for, and a place in it: its
    // start plus the offset taken modulo its length; false without measures.
    bool PlaceIn(unsigned pick, int offset, int& bar, int& ticks);

    file_test::TempFolder m_folder;
    CPromptScript m_prompts;   // a save or an open that asks is answered, never shown
    std::unique_ptr<MCOpusDoc> m_reopened;   // what the piece is read back into
};

// Success when the renotated and the fresh dump agree line by line; else a
// failure quoting the first lines that differ.
::testing::AssertionResult SameNotation(const std::string& renotated, const std::string& fresh);

// Takes what the passes made out of a performance that no view shows and
// marks everything left for every pass (see the top of this file).
void StripNotation(ECPerformance* performance);

}  // namespace renotation_check
