// The image provider's answers, checked by their pixels: built-in SVGs at the requested size and
// proportions, the default image, configuration bitmaps and SVGs, and the placeholder for
// everything that cannot be served.
#include "Quendle/AppCommon/ImageProvider.h"

#include <QHash>
#include <QtTest>

namespace
{

const QColor kGreen(QStringLiteral("#6EFF36"));

class cFakeImages : public cImageSource, public cApplicationInterface
{
public:
    bool FindImageData(const QString& id, sImageData& data) const override
    {
        if (!mImages.contains(id))
            return false;
        data = mImages.value(id);
        return true;
    }
    cConnectionUnit* PrimaryUnit() const override { return nullptr; }
    const cImageSource* CurrentImageSource() const override { return mHasConfig ? this : nullptr; }

    QHash<QString, sImageData> mImages;
    bool mHasConfig = true;
};

QByteArray SvgText(int width, int height, const char* fill)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\">"
                          "<rect x=\"0\" y=\"0\" width=\"%1\" height=\"%2\" fill=\"%3\"/></svg>")
        .arg(width)
        .arg(height)
        .arg(QLatin1String(fill))
        .toUtf8();
}

bool IsPlaceholder(const QImage& image)
{
    return image.size() == QSize(20, 20) && image.format() == QImage::Format_ARGB32
        && image.pixelColor(0, 0) == QColor(Qt::red) && image.pixelColor(19, 19) == QColor(Qt::red);
}

} // namespace

class tst_ImageProvider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void builtInSvg_data();
    void builtInSvg();
    void placeholder_data();
    void placeholder();
    void defaultImage();
    void configurationImages();

private:
    cFakeImages mImages;
};

void tst_ImageProvider::initTestCase()
{
    Q_INIT_RESOURCE(images);
    QImage bitmap(7, 3, QImage::Format_ARGB32);
    bitmap.fill(QColor(10, 20, 30));
    mImages.mImages.insert(QStringLiteral("7"), { QStringLiteral("png"), bitmap, QByteArray() });
    mImages.mImages.insert(QStringLiteral("8"), { QStringLiteral("svg"), QImage(), SvgText(40, 10, "#FFD100") });
    mImages.mImages.insert(QStringLiteral("9"), { QStringLiteral("svg"), QImage(), QByteArray() });
    mImages.mImages.insert(QStringLiteral("10"), { QStringLiteral("jpg"), QImage(), QByteArray("junk") });
}

// Rows: request, requested size, expected size, where the recolourable green must be (x as a
// fraction of the width), where it must be transparent.
void tst_ImageProvider::builtInSvg_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<double>("greenAt");
    QTest::addColumn<double>("clearAt");

    QTest::newRow("stretched") << "default_btn_on_0" << QSize(100, 40) << QSize(100, 40) << 0.25 << 0.75;
    QTest::newRow("fit, height limits") << "default_btn_on_0:preserveAspectFit" << QSize(100, 40) << QSize(80, 40)
                                        << 0.25 << 0.75;
    QTest::newRow("fit, width limits") << "default_btn_on_0:preserveAspectFit" << QSize(100, 100) << QSize(100, 50)
                                       << 0.25 << 0.75;
    QTest::newRow("empty options") << "default_btn_on_0::" << QSize(100, 40) << QSize(100, 40) << 0.25 << 0.75;
    QTest::newRow("refetch colons and fit")
        << "default_btn_on_0:::preserveAspectFit" << QSize(64, 64) << QSize(64, 32) << 0.25 << 0.75;
    QTest::newRow("option is case-sensitive")
        << "default_btn_on_0:preserveaspectfit" << QSize(64, 64) << QSize(64, 64) << 0.25 << 0.75;
    QTest::newRow("1 px") << "default_btn_on_0" << QSize(1, 1) << QSize(1, 1) << -1.0 << -1.0;
    // A widget twenty screens wide asks for its whole size; the provider keeps to the largest side.
    QTest::newRow("twenty screens wide") << "default_btn_on_0" << QSize(20 * 1920, 1080)
                                         << QSize(cImageProvider::kMaxRenderedSide, 230) << 0.25 << 0.75;
    QTest::newRow("far too high") << "default_btn_on_0" << QSize(10, 20000)
                                  << QSize(4, cImageProvider::kMaxRenderedSide) << -1.0 << -1.0;
}

void tst_ImageProvider::builtInSvg()
{
    QFETCH(QString, id);
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);
    QFETCH(double, greenAt);
    QFETCH(double, clearAt);

    cImageProvider provider(mImages);
    QSize size;
    const QImage image = provider.requestImage(id, &size, requested);
    QCOMPARE(image.size(), expected);
    QCOMPARE(size, expected);
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    const int y = image.height() / 2;
    if (greenAt >= 0)
        QCOMPARE(image.pixelColor(int(image.width() * greenAt), y), kGreen);
    if (clearAt >= 0)
        QCOMPARE(image.pixelColor(int(image.width() * clearAt), y).alpha(), 0);
}

void tst_ImageProvider::placeholder_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<bool>("hasConfig");

    QTest::newRow("svg at 0 x 0") << "default_btn_on_0" << QSize(0, 0) << true;
    QTest::newRow("svg at no size") << "default_btn_on_0" << QSize(-1, -1) << true;
    QTest::newRow("svg at 0 height") << "default_btn_on_0:preserveAspectFit" << QSize(50, 0) << true;
    QTest::newRow("unknown id") << "42" << QSize(64, 64) << true;
    QTest::newRow("no configuration") << "7" << QSize(64, 64) << false;
    QTest::newRow("empty svg data") << "9" << QSize(64, 64) << true;
    QTest::newRow("bitmap that did not decode") << "10" << QSize(64, 64) << true;
    QTest::newRow("empty id") << "" << QSize(64, 64) << true;
    QTest::newRow("config svg at 0 x 0") << "8" << QSize(0, 0) << true;
}

void tst_ImageProvider::placeholder()
{
    QFETCH(QString, id);
    QFETCH(QSize, requested);
    QFETCH(bool, hasConfig);

    mImages.mHasConfig = hasConfig;
    cImageProvider provider(mImages);
    QSize size;
    const QImage image = provider.requestImage(id, &size, requested);
    mImages.mHasConfig = true;
    QVERIFY(IsPlaceholder(image));
    QCOMPARE(size, QSize(20, 20));
}

void tst_ImageProvider::defaultImage()
{
    cImageProvider provider(mImages);
    QSize size;
    const QImage image = provider.requestImage(QStringLiteral("_default"), &size, QSize(100, 100));
    QCOMPARE(image.size(), QSize(6, 4));
    QCOMPARE(size, QSize(6, 4));
    QCOMPARE(image.pixelColor(3, 2), QColor(Qt::blue));
}

void tst_ImageProvider::configurationImages()
{
    cImageProvider provider(mImages);
    QSize size;

    // A bitmap comes at its own size whatever was asked for.
    QImage image = provider.requestImage(QStringLiteral("7:preserveAspectFit"), &size, QSize(100, 100));
    QCOMPARE(image.size(), QSize(7, 3));
    QCOMPARE(size, QSize(7, 3));
    QCOMPARE(image.pixelColor(6, 2), QColor(10, 20, 30));

    image = provider.requestImage(QStringLiteral("8:preserveAspectFit"), &size, QSize(100, 100));
    QCOMPARE(image.size(), QSize(100, 25));
    QCOMPARE(image.pixelColor(99, 24), QColor(QStringLiteral("#FFD100")));

    image = provider.requestImage(QStringLiteral("8"), &size, QSize(30, 60));
    QCOMPARE(image.size(), QSize(30, 60));
    QCOMPARE(image.pixelColor(0, 59), QColor(QStringLiteral("#FFD100")));

    // View boxes without proportions: no division by zero, never a side below 1 px.
    image = provider.requestImage(QStringLiteral("default_noview_0:preserveAspectFit"), &size, QSize(64, 48));
    QCOMPARE(image.size(), QSize(64, 48));
    image = provider.requestImage(QStringLiteral("default_flat_0:preserveAspectFit"), &size, QSize(64, 64));
    QCOMPARE(image.size(), QSize(64, 1));
    QCOMPARE(image.pixelColor(32, 0), QColor(QStringLiteral("#0D72B8")));
    image = provider.requestImage(QStringLiteral("default_flat_0:preserveAspectFit"), &size, QSize(1, 64));
    QCOMPARE(image.size(), QSize(1, 1));
}

QTEST_MAIN(tst_ImageProvider)
#include "tst_imageprovider.moc"
