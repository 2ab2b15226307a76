// The MIDI key a notated note sounds, read from its performance data: a note
// holds no pitch of its own (model/notes.h), its performer's note-on word
// does. User-interface thread, like the tree.
#pragma once

class ECBase;

// The first data byte of the note's own performance word; -1 when it has
// none (a note made by splitting another, or built without one).
int GetPlayedKey(ECBase* note);
// As GetPlayedKey, else the key of the head of the note's tie chain; -1 when
// neither is played.
int GetNoteKey(ECBase* note);
