#include "interface/document/savedialog.h"

#include "interface/document/opusheader.h"
#include "interface/document/pathhelpers.h"

#include <string>

const MCSaveDialog::FileType MCSaveDialog::s_fileTypes[TYPE_COUNT] = {
    {11581, "mmm"},   // the native document
    {11582, "mid"},   // type 0 MIDI file
    {11583, "mid"},   // type 1 MIDI file
};

int MCSaveDialog::GetSaveFormat(std::string_view path) {
    std::string extension = MCGetExtension(path);
    for (int format = 0; format < TYPE_COUNT; ++format)
        if (extension == s_fileTypes[format].extension)
            return format;
    return DF_UNKNOWN;
}

int MCSaveDialog::CorrectFormat(int format, std::string_view path) {
    std::string extension = MCGetExtension(path);
    if (format == DF_NATIVE && extension == s_fileTypes[DF_MIDI_TYPE1].extension)
        return DF_MIDI_TYPE1;
    if ((format == DF_MIDI_TYPE0 || format == DF_MIDI_TYPE1) &&
        extension == s_fileTypes[DF_NATIVE].extension)
        return DF_NATIVE;
    return format;
}
