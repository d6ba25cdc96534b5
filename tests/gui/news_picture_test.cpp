// The reader of the news page's pictures, as the plain news view uses it on
// both platforms: every kind is known by its bytes (not by a name or a
// content type), decoded whole and in its colours, and what lies beyond the
// bounds is refused. Under Wine this runs on the static Qt, whose PNG reader
// is built into QtGui.
#include "switcher/news/news_picture_qt.h"
#include "testing/demo_pictures.h"

#include <QtTest>
#include <cstdlib>
#include <string>

using switcher::ReadNewsPicture;

namespace {

constexpr std::uint32_t kCorner = 0x2277DD;

std::string Encoded(const QByteArray& kind, const demo::Picture& p) {
    if (kind == "png")
        return demo::EncodePng(p);
    if (kind == "jpeg")
        return demo::EncodeJpeg(p, 90);
    if (kind == "gif")
        return demo::EncodeGif(p);
    return demo::EncodeBmp(p);
}

void PokeBe32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
}

// A PNG of `small`'s pixels whose header claims width x height, with a valid
// checksum, so that only the size can refuse it.
std::string PngClaiming(const demo::Picture& small, std::uint32_t width, std::uint32_t height) {
    std::string png = demo::EncodePng(small);
    PokeBe32(png, 16, width);
    PokeBe32(png, 20, height);
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 12; i < 29; ++i) { // the IHDR chunk's type and data
        crc ^= static_cast<unsigned char>(png[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    PokeBe32(png, 29, ~crc);
    return png;
}

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
           std::abs(qBlue(a) - qBlue(b)) <= 2;
}

} // namespace

class NewsPictureTest : public QObject {
    Q_OBJECT

private slots:
    void everyKindDecodesWhole_data() {
        QTest::addColumn<QByteArray>("kind");
        for (const char* kind : {"png", "jpeg", "gif", "bmp"})
            QTest::newRow(kind) << QByteArray(kind);
    }
    // Wider than a banner, so a decoder that still cut at 468 x 60 shows.
    void everyKindDecodesWhole() {
        QFETCH(QByteArray, kind);
        const demo::Picture picture = demo::MakeBanner(kCorner, 600, 90);
        const QImage image = ReadNewsPicture(Encoded(kind, picture));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(600, 90));
        QVERIFY(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
        QVERIFY(Near(image.pixel(3, 3), qRgb(0x22, 0x77, 0xDD)));
        if (kind != "jpeg") { // exact kinds: the far corner as well
            const std::uint32_t far = picture.pixels.back();
            QCOMPARE(image.pixel(599, 89), qRgb(far >> 16 & 0xFF, far >> 8 & 0xFF, far & 0xFF));
        }
    }

    void refusesWhatIsNoPictureOrTooLarge_data() {
        QTest::addColumn<QByteArray>("bytes");
        const demo::Picture small = demo::MakeBanner(kCorner, 20, 10);
        const auto row = [](const char* name, const std::string& bytes) {
            QTest::newRow(name) << QByteArray::fromStdString(bytes);
        };
        row("empty", "");
        row("html", "<html><body>not a picture</body></html>");
        row("svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>");
        // A kind Qt knows but we do not decode: never handed to a plugin.
        row("xpm", "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n");
        QVERIFY(!ReadNewsPicture(PngClaiming(small, 20, 10)).isNull());
        row("png wider than the bound", PngClaiming(small, 5000, 1));
        row("png larger than the bound", PngClaiming(small, 2000, 2000));
        row("jpeg larger than the bound", demo::EncodeJpeg(demo::MakeBanner(kCorner, 1600, 1400), 50));
        row("gif larger than the bound", demo::EncodeGif(demo::MakeBanner(kCorner, 4097, 1)));
        row("bmp larger than the bound", demo::EncodeBmp(demo::MakeBanner(kCorner, 1500, 1500)));
        std::string huge = demo::EncodeBmp(small);
        huge.resize(switcher::kMaxNewsPictureBytes + 1, '\0');
        row("file beyond the size bound", huge);
    }
    void refusesWhatIsNoPictureOrTooLarge() {
        QFETCH(QByteArray, bytes);
        QVERIFY(ReadNewsPicture(bytes.toStdString()).isNull());
    }
};

QTEST_MAIN(NewsPictureTest)
#include "news_picture_test.moc"
