// The texts of the document layer: its messages, the save dialog's types and
// the menu entries the registration records build.
#include "interface/document/opusdoc.h"
#include "platform/core/resources.h"

STRING_TABLE({11525, "&View"},
             {11526, "&Preferences"},
             {MCOpusDoc::IDS_SAVE_NATIVE_QUESTION,
              "If you save this file as a Midi file you will lose all notation information.  "
              "Would you like to save the file as a QuilletSession file instead?"},
             {MCOpusDoc::IDS_REPLACE_NATIVE_QUESTION,
              "The file %s already exists.  Would you like to replace it?  "
              "Answer No to save the file under another name."},
             {MCOpusDoc::IDS_CANNOT_OPEN, "The file cannot be opened by %s."},
             {11581, "%s File (*.mmm)\n*.mmm\n"},
             {11582, "Type 0 Midi File (*.mid)\n*.mid\n"},
             {11583, "Type 1 Midi File (*.mid)\n*.mid\n"},
             {11744, "General..."},
             {11745, "Sequencer..."},
             {11746, "Devices..."},
             {11747, "MusicScore..."});
