// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"
#include "WaveformPalette.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {
constexpr unsigned A = 176400;
namespace fs = std::filesystem;
using namespace WaveformPalette;

void putSample(std::vector<std::uint8_t> &pcm, std::int16_t left, std::int16_t right)
{
    for (std::int16_t s : {left, right}) {
        pcm.push_back(std::uint8_t(s & 0xff));
        pcm.push_back(std::uint8_t((s >> 8) & 0xff));
    }
}

// Interleaved PCM of `seconds`, each frame's samples given by the function of its time.
std::vector<std::uint8_t> pcmOf(double seconds, const std::function<std::int16_t(double)> &left,
                                const std::function<std::int16_t(double)> &right)
{
    std::vector<std::uint8_t> pcm;
    const auto frames = std::size_t(seconds * 44100);
    pcm.reserve(frames * 4);
    for (std::size_t i = 0; i < frames; ++i)
        putSample(pcm, left(i / 44100.0), right(i / 44100.0));
    return pcm;
}

// What a picture shows, pixel by pixel; its colours are the window's palette's.
QByteArray rolesOf(const QImage &picture)
{
    return QByteArray(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes());
}

std::function<std::int16_t(double)> constant(std::int16_t value)
{
    return [value](double) { return value; };
}

class BufferFileFixture : public testing::Test {
protected:
    void SetUp() override
    {
        path_ = fs::temp_directory_path() /
                ("waveform-" + std::to_string(getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav");
    }
    void TearDown() override { fs::remove(path_); }

    // The header's content does not matter to the view: it reads past it.
    void writeTake(const std::vector<std::uint8_t> &pcm, std::size_t headerBytes = 46)
    {
        std::FILE *file = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::vector<std::uint8_t> header(headerBytes, 0);
        std::fwrite(header.data(), 1, header.size(), file);
        if (!pcm.empty())
            std::fwrite(pcm.data(), 1, pcm.size(), file);
        std::fclose(file);
    }

    fs::path path_;
};

// A page of 30 s spans the picture: about 13.4 columns per second at 44100 Hz.
constexpr int pageWidth = 401;
int columnAt(double seconds)
{
    return int(seconds * pageWidth / 30);
}

// Row of a sample's point in a strip of height h.
int rowOf(std::int16_t sample, int h)
{
    const int c = h / 2;
    return c - int(sample / 32768.0 * c);
}
} // namespace

TEST(WaveformView, SamplesAtTheBandEdgeKeepTheBasePenAndOnePixelBeyondIsRed)
{
    // Height 68: centre 34, band rows 8 ... 60. 25100 lands 26 px from the centre, 26100 27 px.
    struct Case {
        std::int16_t sample;
        int redRow;
    };
    for (const Case &c : {Case{25100, -1}, Case{26100, 7}, Case{-25100, -1}, Case{-26100, 61}}) {
        WaveformView view(20, 68, A);
        std::vector<std::uint8_t> pcm;
        putSample(pcm, c.sample, 0);
        view.drawCaptureBlock(pcm.data(), pcm.size());
        const QImage &picture = view.leftPicture();
        const int edge = c.sample > 0 ? 8 : 60;
        EXPECT_EQ(picture.pixelIndex(0, edge), normalTrace) << c.sample;
        EXPECT_EQ(picture.pixelIndex(0, 34), normalTrace) << c.sample;
        for (int y = 0; y < picture.height(); ++y) {
            if (y == c.redRow)
                EXPECT_EQ(picture.pixelIndex(0, y), loudTrace) << c.sample;
            else
                EXPECT_NE(picture.pixelIndex(0, y), loudTrace) << c.sample << " row " << y;
        }
    }
}

TEST(WaveformView, CaptureBlocksDrawEachChannelIntoItsOwnPictureAndAdvanceTogether)
{
    WaveformView view(400, 68, A);
    const auto block = pcmOf(0.05, constant(8000), constant(-8000)); // 8820 bytes
    ASSERT_EQ(block.size(), 8820u);
    for (int i = 0; i < 3; ++i)
        view.drawCaptureBlock(block.data(), block.size());
    // One point every 44 bytes: 201 points per block, so the third block reaches column 2.
    EXPECT_EQ(view.xCounter(), 603u);
    const int up = rowOf(8000, 68), down = rowOf(-8000, 68);
    for (int x : {0, 1, 2}) {
        EXPECT_EQ(view.leftPicture().pixelIndex(x, up), normalTrace) << x;
        EXPECT_EQ(view.leftPicture().pixelIndex(x, down), background) << x;
        EXPECT_EQ(view.rightPicture().pixelIndex(x, down), normalTrace) << x;
        EXPECT_EQ(view.rightPicture().pixelIndex(x, up), background) << x;
    }
    EXPECT_EQ(view.leftPicture().pixelIndex(3, up), background);

    view.startCapturePage();
    EXPECT_EQ(view.xCounter(), 0u);
    EXPECT_EQ(view.leftPicture().pixelIndex(0, up), background);
}

TEST(WaveformView, AShortBlockDrawsNothingAndExtremeSamplesStayInsideThePicture)
{
    WaveformView view(10, 68, A);
    const std::uint8_t three[3] = {0xff, 0x7f, 0};
    view.drawCaptureBlock(three, 3);
    EXPECT_EQ(view.xCounter(), 0u);
    std::vector<std::uint8_t> pcm;
    putSample(pcm, -32768, 32767);
    view.drawCaptureBlock(pcm.data(), pcm.size());
    // -32768 maps one row below the picture (68); the trace is clipped at its edge.
    EXPECT_EQ(view.leftPicture().pixelIndex(0, 67), loudTrace);
    EXPECT_EQ(view.rightPicture().pixelIndex(0, 1), loudTrace);
    EXPECT_EQ(view.rightPicture().pixelIndex(0, 0), background);
}

TEST(WaveformView, TheCursorOnThePageEdgeIsNotDrawn)
{
    const WaveformView view(300, 68, A);
    EXPECT_EQ(view.cursorX(0.0), 0);
    EXPECT_EQ(view.cursorX(7.0), 70);
    EXPECT_EQ(view.cursorX(29.9), 299);
    EXPECT_EQ(view.cursorX(30.0), std::nullopt);
    EXPECT_EQ(view.cursorX(31.0), 10);
    EXPECT_EQ(view.cursorX(60.0), std::nullopt);
}

TEST_F(BufferFileFixture, PageColoursFollowTheStartAndEndPositions)
{
    // 20 s of a quiet constant level: every column holds one pixel at the same row.
    writeTake(pcmOf(20.0, constant(4000), constant(4000)));
    const int row = rowOf(4000, 68);
    struct Case {
        TakeMarks selection;
        Role at3s, at8s, at18s;
        int markerColumn;
    };
    const Case cases[] = {
        {{false, true, 0, 10000}, insideRange, insideRange, outsideRange, columnAt(10.0)},
        {{true, false, 10000, 0}, outsideRange, outsideRange, insideRange, columnAt(10.0)},
        {{true, true, 5000, 15000}, outsideRange, insideRange, outsideRange, columnAt(5.0)},
        {{true, false, 5000, 0}, outsideRange, insideRange, insideRange, columnAt(5.0)},
        {{false, false, 5000, 15000}, normalTrace, normalTrace, normalTrace, -1},
    };
    for (const Case &c : cases) {
        WaveformView view(pageWidth, 68, A);
        ASSERT_TRUE(view.redrawPage(1, path_, c.selection));
        const QImage &picture = view.rightPicture();
        EXPECT_EQ(picture.pixelIndex(columnAt(3.0), row), c.at3s);
        EXPECT_EQ(picture.pixelIndex(columnAt(8.0), row), c.at8s);
        EXPECT_EQ(picture.pixelIndex(columnAt(18.0), row), c.at18s);
        if (c.markerColumn >= 0) {
            // 3 px wide over the whole height; only the next column's trace covers it.
            for (int x = c.markerColumn - 1; x <= c.markerColumn + 1; ++x)
                EXPECT_EQ(picture.pixelIndex(x, 0), marker) << x;
            EXPECT_EQ(picture.pixelIndex(c.markerColumn - 1, row), marker);
        }
    }
}

TEST_F(BufferFileFixture, ALaterPageIsReadFromItsOwnOffsetAndItsMarksShifted)
{
    // 45 s: the left channel silent on the first page and loud on the second.
    writeTake(pcmOf(
        45.0, [](double t) { return std::int16_t(t < 30.0 ? 0 : 30000); }, constant(0)));
    WaveformView view(pageWidth, 68, A);
    view.setPageBytes(30 * A);
    const TakeMarks selection{true, false, 35000, 0};
    ASSERT_TRUE(view.redrawPage(30 * A + 1, path_, selection));
    EXPECT_EQ(view.drawnBytes(), 15 * A);
    const int loud = rowOf(30000, 68);
    EXPECT_EQ(view.leftPicture().pixelIndex(columnAt(2.0), loud), loudTrace);
    EXPECT_EQ(view.leftPicture().pixelIndex(columnAt(5.0), 0), marker); // 35 s is 5 s into the page
    EXPECT_EQ(view.rightPicture().pixelIndex(columnAt(2.0), 34), outsideRange);
    EXPECT_EQ(view.rightPicture().pixelIndex(columnAt(8.0), 34), insideRange);
    EXPECT_EQ(view.rightPicture().pixelIndex(columnAt(18.0), 34),
              background); // past the take's end

    WaveformView first(pageWidth, 68, A);
    first.setPageBytes(30 * A);
    ASSERT_TRUE(first.redrawPage(1, path_, selection));
    EXPECT_EQ(first.leftPicture().pixelIndex(columnAt(20.0), loud), background);
    EXPECT_EQ(first.leftPicture().pixelIndex(columnAt(20.0), 34), outsideRange);
}

TEST_F(BufferFileFixture, ARedrawBelowTheDrawnMarkerChangesNothing)
{
    writeTake(pcmOf(2.0, constant(9000), constant(-9000)));
    WaveformView view(pageWidth, 68, A);
    ASSERT_TRUE(view.redrawPage(1, path_, {}));
    EXPECT_EQ(view.drawnBytes(), 2 * A);
    const QByteArray before = rolesOf(view.leftPicture());
    const TakeMarks other{true, true, 0, 1000};
    EXPECT_FALSE(view.redrawPage(2 * A, path_, other));
    EXPECT_FALSE(view.redrawPage(100, path_, other));
    EXPECT_EQ(rolesOf(view.leftPicture()), before);

    view.setDrawnBytes(0);
    EXPECT_TRUE(view.redrawPage(1, path_, other));
    EXPECT_NE(rolesOf(view.leftPicture()), before);
}

TEST_F(BufferFileFixture, AMissingOrHeaderOnlyFileLeavesThePicturesAlone)
{
    WaveformView view(300, 68, A);
    std::vector<std::uint8_t> pcm;
    putSample(pcm, 9000, 9000);
    view.drawCaptureBlock(pcm.data(), pcm.size());
    const QByteArray before = rolesOf(view.leftPicture());

    EXPECT_FALSE(view.redrawPage(1, path_, {}));
    writeTake({}, 20);
    EXPECT_FALSE(view.redrawPage(1, path_, {}));
    writeTake({});
    EXPECT_FALSE(view.redrawPage(1, path_, {}));
    EXPECT_EQ(rolesOf(view.leftPicture()), before);
    EXPECT_EQ(view.drawnBytes(), 0u);
}

TEST_F(BufferFileFixture, ATakeLongerThanItsPageSizeClaimsIsReadOnePageAtMost)
{
    // No page size yet (the take never turned a page) but the file holds 40 s.
    writeTake(pcmOf(40.0, constant(3000), constant(3000)));
    WaveformView view(300, 68, A);
    ASSERT_TRUE(view.redrawPage(1, path_, {}));
    EXPECT_EQ(view.drawnBytes(), 30 * A);
}
