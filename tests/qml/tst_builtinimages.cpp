// The program's built-in images as the views get them: from the program's own resources, through
// the real image provider, at the size a view asks for, drawn in the colour the recolouring shader
// looks for when the id is recolourable.

#include "Quendle/AppCommon/ImageProvider.h"
#include "tests/support/quendle/TestConfig.h"

#include <QDir>
#include <QSvgRenderer>
#include <QtTest>

namespace
{

// Every built-in id the widgets name as a default or fallback image.
const QStringList kNamedIds {
    QStringLiteral("default_btn_on_0"),
    QStringLiteral("default_btn_off_0"),
    QStringLiteral("default_led_on_0"),
    QStringLiteral("default_led_off_0"),
    QStringLiteral("default_gen_fader_0"),
    QStringLiteral("default_fader_control_0"),
    QStringLiteral("default_gen_rotary_0"),
    QStringLiteral("default_rotary_pointer_0"),
    QStringLiteral("default_source_selector_background_0"),
    QStringLiteral("default_source_sel_arrow_l_0"),
    QStringLiteral("default_source_sel_arrow_r_0"),
    QStringLiteral("default_source_sel_arrow_c_0"),
};

struct sInk {
    int mOpaque = 0; // pixels at least half covered
    int mColoured = 0; // of those, clearly coloured (not grey)
    int mOffHue = 0; // of the coloured, away from the expected hue
};

// Hue distance in degrees, around the circle.
int HueDistance(int a, int b)
{
    const int d = std::abs(a - b) % 360;
    return std::min(d, 360 - d);
}

sInk Ink(const QImage& image, const QColor& expected)
{
    sInk ink;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor pixel = QColor::fromRgba(argb.pixel(x, y));
            if (pixel.alpha() < 128)
                continue;
            ++ink.mOpaque;
            if (pixel.hsvSaturationF() < 0.25 || pixel.valueF() < 0.25)
                continue;
            ++ink.mColoured;
            if (HueDistance(pixel.hsvHue(), expected.hsvHue()) > 6)
                ++ink.mOffHue;
        }
    }
    return ink;
}

} // namespace

class tst_BuiltInImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        mApplication = std::make_unique<cTestApplication>();
        mConfig = std::make_unique<cTestConfig>(mApplication.get());
        mProvider = std::make_unique<cImageProvider>(*mApplication);
    }
    void cleanup()
    {
        mProvider.reset();
        mConfig.reset();
        mApplication.reset();
    }

    void eachId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QSize>("requested");
        QStringList ids = kNamedIds;
        // And any further built-in image the resources hold.
        for (const QString& name : QDir(QStringLiteral(":/")).entryList(QDir::Files)) {
            if (name.startsWith(QLatin1String("default_")) && !ids.contains(name))
                ids.append(name);
        }
        for (const QString& id : ids) {
            QTest::newRow(qPrintable(id + QLatin1String(" 64x48"))) << id << QSize(64, 48);
            QTest::newRow(qPrintable(id + QLatin1String(" 17x130"))) << id << QSize(17, 130);
        }
    }

    void eachId()
    {
        QFETCH(QString, id);
        QFETCH(QSize, requested);

        // A missing or broken file would still give an image of the asked size, but a blank one.
        QSvgRenderer renderer(QStringLiteral(":/") + id);
        QVERIFY2(renderer.isValid(), "a readable SVG in the program's resources");
        QVERIFY2(renderer.viewBoxF().width() > 0 && renderer.viewBoxF().height() > 0, "proportions to keep");

        QSize size;
        const QImage image = mProvider->requestImage(id, &size, requested);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), requested);
        QCOMPARE(size, requested);

        const QColor expected = mConfig->getRecolourableColour(id);
        const sInk ink = Ink(image, expected);
        QVERIFY2(ink.mOpaque > 0, "something drawn");
        if (mConfig->isImageRecolourable(id)) {
            // Enough of the colour for the shader to find, and no other colour it would leave alone.
            QVERIFY2(ink.mColoured * 100 >= requested.width() * requested.height(),
                qPrintable(QStringLiteral("%1 pixels in %2").arg(ink.mColoured).arg(expected.name())));
            QCOMPARE(ink.mOffHue, 0);
        } else {
            QCOMPARE(ink.mColoured, 0);
        }

        // Fitted into a box, the image keeps the SVG's proportions and fills one side.
        const QImage fitted = mProvider->requestImage(id + QLatin1String(":preserveAspectFit"), &size, requested);
        QVERIFY(fitted.width() == requested.width() || fitted.height() == requested.height());
        QVERIFY(fitted.width() <= requested.width() && fitted.height() <= requested.height());
        QVERIFY(Ink(fitted, expected).mOpaque > 0);
    }

    // "_default" is the program's own picture at its own size, whatever was asked.
    void defaultImage_data()
    {
        QTest::addColumn<QSize>("requested");
        QTest::newRow("no size") << QSize();
        QTest::newRow("100x40") << QSize(100, 40);
    }

    void defaultImage()
    {
        QFETCH(QSize, requested);
        QSize size;
        const QImage image = mProvider->requestImage(QStringLiteral("_default"), &size, requested);
        QVERIFY(!image.isNull());
        QCOMPARE(size, image.size());
        QCOMPARE(image.size(), QImage(QStringLiteral(":/defaultImage")).size());
        QVERIFY(Ink(image, Qt::white).mOpaque > 0);
        QVERIFY(!mConfig->isImageRecolourable(QStringLiteral("_default")));
    }

private:
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
    std::unique_ptr<cImageProvider> mProvider;
};

QTEST_MAIN(tst_BuiltInImages)
#include "tst_builtinimages.moc"
