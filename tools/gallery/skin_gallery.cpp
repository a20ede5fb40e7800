// Draws every skin image and every control, in several colour schemes, into
// one BMP file, so the skin can be looked at as a whole:
//
//     skin_gallery OUTPUT.bmp [RRGGBB ...]
//
// The optional colours are base colours for further rows. render_gallery.py
// runs it under Wine and converts the picture to PNG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/color_scheme.h"
#include "controls/gdi_helpers.h"
#include "tools/gallery/gallery_host.h"
#include "tools/gallery/panel_mockup.h"
#include "tools/gallery/skin_sheet.h"

namespace {

constexpr int kMargin = 10;
constexpr int kWidth = kMargin + kMainWidth + 20 + kPopupWidth + 20 + 160;
constexpr int kSwatchHeight = 26;
constexpr int kRowHeight = 16 + kSwatchHeight + kMainHeight + 20;
constexpr COLORREF kPage = RGB(236, 236, 232);
constexpr COLORREF kText = RGB(30, 30, 30);

std::string Hex(COLORREF colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

void DrawSwatches(Picture* picture, int x, int y, const ColorScheme& s) {
    const std::pair<const char*, COLORREF> fields[7] = {
        {"btnShadow", s.btnShadow},   {"btnFace", s.btnFace},     {"btnHighlight", s.btnHighlight},
        {"highlight", s.highlight},   {"highlight2", s.highlight2}, {"highlightText", s.highlightText},
        {"background", s.background}};
    for (const auto& field : fields) {
        picture->Fill(RECT{x, y, x + 12, y + 12}, field.second);
        x += 14 + picture->Label(x + 14, y, std::string(field.first) + " " + Hex(field.second), kText) + 12;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: skin_gallery OUTPUT.bmp [RRGGBB ...]\n");
        return 2;
    }
    // Dark and light bases of different hues, and the two extremes.
    std::vector<COLORREF> bases = {RGB(0x2B, 0x3A, 0x67), RGB(0xE8, 0xC8, 0x7A), RGB(0x4C, 0x8A, 0x3C),
                                   RGB(0xB0, 0x50, 0xC8), RGB(0, 0, 0), RGB(255, 255, 255)};
    for (int i = 2; i < argc; ++i) {
        const unsigned long rgb = std::strtoul(argv[i], nullptr, 16);
        bases.push_back(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }

    const int sheetHeight = DrawSkinSheet(nullptr, kMargin, kMargin + 16, kWidth - 2 * kMargin);
    const int rowsTop = kMargin + 16 + sheetHeight;
    const int height = rowsTop + kRowHeight * static_cast<int>(bases.size()) + kMargin;

    GalleryHost host(kWidth, height);
    std::vector<Backdrop> backdrops;
    std::vector<ColorScheme> schemes(bases.size());
    for (size_t i = 0; i < bases.size(); ++i) {
        schemes[i].DeriveFromBase(bases[i]);
        const int top = rowsTop + kRowHeight * static_cast<int>(i) + 16 + kSwatchHeight;
        const int variant = static_cast<int>(i);
        BuildMainWindow(&host, kMargin, top, schemes[i], variant, &backdrops);
        const int side = kMargin + kMainWidth + 20;
        BuildChainPopup(&host, side, top, schemes[i], &backdrops);
        BuildLooseControls(&host, side, top + kPopupHeight + 16, schemes[i], &backdrops);
    }

    Picture picture(kWidth, height, kPage);
    picture.Label(kMargin, kMargin, "Skin images (black on white)", kText);
    DrawSkinSheet(&picture, kMargin, kMargin + 16, kWidth - 2 * kMargin);
    for (size_t i = 0; i < bases.size(); ++i) {
        const int top = rowsTop + kRowHeight * static_cast<int>(i);
        const int value = ValueOf(RgbToHsv(bases[i]));
        picture.Label(kMargin, top, "Base " + Hex(bases[i]) + (value <= 70 ? " (dark table)" : " (light table)"),
                      kText);
        DrawSwatches(&picture, kMargin, top + 16, schemes[i]);
    }
    for (const Backdrop& backdrop : backdrops) picture.Fill(backdrop.rect, backdrop.colour);
    // The step lamps draw their caption in the dialog's 9-point System font.
    HFONT lampFont = CreatePointFont(90, "System");
    HGDIOBJ previous = SelectObject(picture.Dc(), lampFont);
    picture.PaintHost(host);
    SelectObject(picture.Dc(), previous);
    DeleteObject(lampFont);

    if (!picture.WriteBmp(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s (%d x %d)\n", argv[1], kWidth, height);
    return 0;
}
