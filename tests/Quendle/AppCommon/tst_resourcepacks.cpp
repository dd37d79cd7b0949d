// The built-in default image resource and the resource-pack items: type texts, tags and their
// text block, the configuration's hooks, pack item ids and what a plain item and an image answer.
#include "Quendle/AppCommon/DefaultImageResource.h"
#include "Quendle/AppCommon/ResourcePack.h"
#include "Quendle/Properties/Properties.h"
#include "tests/support/quendle/TestConfig.h"

#include <QSignalSpy>
#include <QXmlStreamWriter>
#include <QtTest>

namespace
{

class cCountingConfig : public cTestConfig
{
public:
    using cTestConfig::cTestConfig;
    void SpareHook() override { ++mSpareHooks; }
    int mSpareHooks = 0;
};

QStringList Texts(const cResource& resource)
{
    QStringList texts;
    for (cProperty* property : resource.properties()->toList())
        texts << property->name() + QLatin1Char('=') + property->stringValue();
    return texts;
}

} // namespace

class tst_ResourcePacks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultImage();
    void tagsTyped_data();
    void tagsTyped();
    void packItemIdsCount();
    void packItemAnswers();
    void packImageAnswers();
};

void tst_ResourcePacks::defaultImage()
{
    cTestApplication application;
    cCountingConfig config(&application);
    cDefaultImageResource resource(nullptr, QStringLiteral("_default"), QStringLiteral("Default"), &config);
    QCOMPARE(resource.type(), QStringLiteral("image"));
    QCOMPARE(resource.property("type").toString(), QStringLiteral("image"));
    QCOMPARE(resource.resourceId(), QStringLiteral("_default"));
    QCOMPARE(resource.Group(), QString());
    QCOMPARE(resource.Tags(), QSet<QString> { "default" });
    QCOMPARE(Texts(resource), (QStringList { "Name=Default", "Type=Default image", "Tags=default", "Layouts=" }));
    QVERIFY(!resource.properties()->at(1)->editable());
    QCOMPARE(resource.property("originalWidth").toInt(), 0);
    QCOMPARE(resource.property("originalHeight").toInt(), 0);

    QByteArray written;
    QXmlStreamWriter writer(&written);
    resource.WriteXml(writer, true);
    QCOMPARE(written, QByteArray());

    QSignalSpy renamed(&config, &cConfigBase::ResourceNameChanged);
    resource.nameProperty()->setStringValue(QStringLiteral("Plain"));
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(resource.Name(), QStringLiteral("Plain"));
}

// Rows: the text typed into the Tags property, the tags that result and the text it then shows.
void tst_ResourcePacks::tagsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty lines dropped") << "x\n\ny" << QStringList { "x", "y" } << "x\n\ny";
    QTest::newRow("a comma separates") << "x,y\nz" << QStringList { "x", "y", "z" } << "x\ny\nz";
    QTest::newRow("commas only") << ",," << QStringList {} << "\n\n";
    QTest::newRow("repeated tag once") << "b\nb\na" << QStringList { "a", "b" } << "b\nb\na";
    QTest::newRow("case kept") << "B\nb" << QStringList { "B", "b" } << "B\nb";
    QTest::newRow("nothing") << "" << QStringList {} << "";
}

void tst_ResourcePacks::tagsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, tags);
    QFETCH(QString, shown);
    cTestApplication application;
    cCountingConfig config(&application);
    cDefaultImageResource resource(nullptr, QStringLiteral("_default"), QStringLiteral("Default"), &config);
    cProperty* tagsProperty = resource.properties()->at(2);
    tagsProperty->setStringValue(typed);
    QCOMPARE(resource.Tags(), QSet<QString>(tags.begin(), tags.end()));
    QCOMPARE(tagsProperty->stringValue(), shown);
    QCOMPARE(config.mSpareHooks, 1); // once per edit, commas or not
    QStringList sorted = tags;
    sorted.sort();
    QCOMPARE(resource.TagsToTextBlock(), sorted.join(QLatin1Char('\n')));
}

void tst_ResourcePacks::packItemIdsCount()
{
    const int next = cResourcePackItem::NextResourceId();
    cResourcePackItem first(nullptr, QStringLiteral("a"), QByteArray("1"), QStringLiteral("font"), QString(), {});
    cResourcePackImage second(
        nullptr, QStringLiteral("b"), QByteArray(), QImage(), QString(), QString(), {}, false, QColor());
    cResourcePackItem third(nullptr, QStringLiteral("c"), QByteArray(), QString(), QString(), {});
    QCOMPARE(first.resourceId(), next);
    QCOMPARE(second.resourceId(), next + 1);
    QCOMPARE(third.property("resourceId").toInt(), next + 2);
    QCOMPARE(cResourcePackItem::NextResourceId(), next + 3);
}

void tst_ResourcePacks::packItemAnswers()
{
    cResourcePackItem item(nullptr, QStringLiteral("Fader caps"), QByteArray("bytes"), QStringLiteral("font"),
        QStringLiteral("second"), { "one", "two" });
    QCOMPARE(item.property("name").toString(), QStringLiteral("Fader caps"));
    QCOMPARE(item.property("type").toString(), QStringLiteral("font"));
    QCOMPARE(item.property("originalWidth").toInt(), 0);
    QCOMPARE(item.property("originalHeight").toInt(), 0);
    QCOMPARE(item.property("colours").toStringList(), QStringList());
    QCOMPARE(item.Text(), QStringLiteral("NULL"));
    QVERIFY(item.Image().isNull());
    QVERIFY(!item.Recolourable());
    QVERIFY(!item.Colour().isValid());
    QCOMPARE(item.Data(), QByteArray("bytes"));
    QCOMPARE(item.SecondText(), QStringLiteral("second"));
    QCOMPARE(item.List(), (QStringList { "one", "two" }));
}

void tst_ResourcePacks::packImageAnswers()
{
    QImage image(7, 3, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    cResourcePackImage packImage(nullptr, QStringLiteral("Cap"), QByteArray("png"), image, QStringLiteral("text"),
        QStringLiteral("second"), { "x" }, true, QColor(Qt::white));
    const cResourcePackItem& item = packImage; // answered through the item's virtuals
    QCOMPARE(item.type(), QStringLiteral("image"));
    QCOMPARE(item.property("originalWidth").toInt(), 7);
    QCOMPARE(item.property("originalHeight").toInt(), 3);
    QCOMPARE(item.property("colours").toStringList(), QStringList());
    QCOMPARE(item.Text(), QStringLiteral("text"));
    QCOMPARE(item.Image(), image);
    QVERIFY(item.Recolourable());
    QCOMPARE(item.Colour(), QColor(Qt::white));
    QCOMPARE(item.SecondText(), QStringLiteral("second"));
}

QTEST_MAIN(tst_ResourcePacks)
#include "tst_resourcepacks.moc"
