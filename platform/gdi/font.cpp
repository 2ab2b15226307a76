#include "platform/gdi/font.h"

int CFont::CreateFontIndirect(const LOGFONT* logFont) {
    if (m_created || !logFont)
        return 0;
    m_logFont = *logFont;
    // A record read from outside may lack its terminator; the face ends in the record.
    m_logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    m_created = true;
    return 1;
}

int CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                      uint8_t italic, uint8_t underline, uint8_t strikeOut, uint8_t charSet,
                      uint8_t outPrecision, uint8_t clipPrecision, uint8_t quality,
                      uint8_t pitchAndFamily, std::string_view faceName) {
    LOGFONT logFont;
    logFont.lfHeight = height;
    logFont.lfWidth = width;
    logFont.lfEscapement = escapement;
    logFont.lfOrientation = orientation;
    logFont.lfWeight = weight;
    logFont.lfItalic = italic;
    logFont.lfUnderline = underline;
    logFont.lfStrikeOut = strikeOut;
    logFont.lfCharSet = charSet;
    logFont.lfOutPrecision = outPrecision;
    logFont.lfClipPrecision = clipPrecision;
    logFont.lfQuality = quality;
    logFont.lfPitchAndFamily = pitchAndFamily;
    SetFaceName(logFont, faceName);
    return CreateFontIndirect(&logFont);
}

int CFont::GetLogFont(LOGFONT* logFont) const {
    if (!m_created || !logFont)
        return 0;
    *logFont = m_logFont;
    return 1;
}

int CFont::DeleteObject() {
    if (!m_created)
        return 0;
    m_created = false;
    m_logFont = LOGFONT();
    return 1;
}
