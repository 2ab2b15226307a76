// MusicFontSample: the music font at a sample's height, and back.
#include "notation/display/samplefont.h"

MusicFontSample::MusicFontSample(CDC* dc, int height, COLORREF color)
    : m_dc(dc), m_font(MCMusicFont::GetMusicFont()), m_color(m_font) {
    m_font.SaveLogFont(&m_saved, &m_metrics);
    m_font.SetFontColor(color);
    m_font.SetFontHeight(height);
    m_font.SetExtentDirty(0, FONT_ALL);
    m_font.SelectFont(m_dc, FONT_NORMAL);
}

MusicFontSample::~MusicFontSample() {
    m_font.DeselectFont(m_dc);
    m_font.RestoreLogFont(m_saved, m_metrics);
}

int FitSampleHeight(int height, int tall, int room) {
    if (tall <= room || tall <= 0 || room <= 0)
        return height;
    // An eighth of the room stays free, so no ink touches the edges.
    return static_cast<int>(static_cast<long long>(height) * room * 7 / (8LL * tall));
}
