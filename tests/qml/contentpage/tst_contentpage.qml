import QtQuick 2.15
import QtTest 1.2
import MainActivitySingleton 1.0
import "qrc:/"

Item {
    id: root

    width: 400
    height: 300

    // The page's holder, as main.qml has it.
    Item {
        id: holder

        width: 400
        height: 300
    }

    Component {
        id: pageComponent

        ContentPage {}
    }

    SignalSpy {
        id: moreInfoSpy

        signalName: "showConnectingToUnitsPage"
    }

    TestCase {
        id: testCase

        name: "ContentPage"
        when: windowShown

        property var page: null
        readonly property var colours: ["#d02010", "#1040c0", "#20c040"]
        readonly property QtObject connection: _application.currentConfig.connectionInterface

        function init() {
            _application.clearLayouts();
            _application.isDesktop = false;
            _application.qmlUrls = {
                "*": Qt.resolvedUrl("Swatch.qml"),
                "tab_container": "qrc:/Widgets/TabContainer.qml"
            };
            connection.lostCommsLowTTL = false;
            connection.allUnitsConnectedAndAuthenticated = true;
            holder.width = 400;
            holder.height = 300;
            page = createTemporaryObject(pageComponent, holder);
            verify(page);
            moreInfoSpy.target = page;
            moreInfoSpy.clear();
        }

        function cleanup() {
            if (page)
                page.destroyContent();
            page = null;
            _application.clearLayouts();
        }

        function countItems(item) {
            var count = 1;
            for (var i = 0; i < item.children.length; ++i)
                count += countItems(item.children[i]);
            return count;
        }

        function swatch(id, x, y, w, h, colour) {
            return '<Widget id="' + id + '" type="swatch:' + colour + '" x="' + x + '" y="' + y + '" width="' + w
                    + '" height="' + h + '"/>';
        }

        // A tab container (id `id`) whose first tab shows one swatch (id + 1) and whose second,
        // hidden tab holds a swatch (id + 10) and a nested tab container (id + 20) with a swatch
        // (id + 21): three views wait for their widget to show.
        function tabs(id) {
            return '<Widget id="' + id + '" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2">'
                    + '<Tab tabName="A">' + swatch(id + 1, 0.1, 0.1, 0.3, 0.3, "#d02010") + '</Tab>'
                    + '<Tab tabName="B">' + swatch(id + 10, 0.5, 0.5, 0.3, 0.3, "#1040c0")
                    + '<Widget id="' + (id + 20) + '" type="tab_container" x="0" y="0" width="0.4" height="0.4"'
                    + ' numTabs="1"><Tab tabName="C">' + swatch(id + 21, 0, 0, 1, 1, "#20c040")
                    + '</Tab></Widget></Tab></Widget>';
        }

        function itemOf(items, cppWidget) {
            for (var i = 0; i < items.length; ++i) {
                if (items[i] && items[i].cppWidget === cppWidget)
                    return items[i];
            }
            return null;
        }

        function pendingCount() {
            var count = 0;
            for (var id in page.widgetIdToIncubatorLookup)
                count += page.widgetIdToIncubatorLookup[id].length;
            return count;
        }

        function lastLockCall() {
            var calls = MainActivity.lockCalls;
            return calls.length > 0 ? calls[calls.length - 1] : null;
        }

        // Layouts are (orientation) codes, each layout one swatch of id 1 in its own colour; -1 for
        // a set means none was chosen.
        function test_layoutChoice_data() {
            return [
                { tag: "two any-orientation layouts", layouts: [0, 0], desktop: false, window: [400, 300],
                  landscapeSet: 0, portraitSet: 1, lock: [false, false], single: false, text: "" },
                { tag: "desktop: first is landscape, next portrait one, rest skipped", layouts: [1, 0, 2],
                  desktop: true, window: [400, 300], landscapeSet: 0, portraitSet: 1, lock: [false, false],
                  single: false, text: "" },
                { tag: "one portrait layout on a device", layouts: [1], desktop: false, window: [400, 300],
                  landscapeSet: -1, portraitSet: 0, lock: [true, true], single: false,
                  text: "No landscape layout available" },
                { tag: "one portrait layout in a portrait window", layouts: [1], desktop: false, window: [300, 400],
                  landscapeSet: -1, portraitSet: 0, lock: [true, true], single: false, text: "" },
                { tag: "one landscape layout on a device", layouts: [2], desktop: false, window: [300, 400],
                  landscapeSet: 0, portraitSet: -1, lock: [true, false], single: false,
                  text: "No portrait layout available" },
                { tag: "one landscape layout on a desktop serves both", layouts: [2], desktop: true,
                  window: [300, 400], landscapeSet: 0, portraitSet: -1, lock: [false, false], single: true,
                  text: "" },
                { tag: "one any-orientation layout", layouts: [0], desktop: false, window: [400, 300],
                  landscapeSet: 0, portraitSet: -1, lock: [false, false], single: true, text: "" },
                { tag: "a square window is landscape", layouts: [1], desktop: false, window: [300, 300],
                  landscapeSet: -1, portraitSet: 0, lock: [true, true], single: false,
                  text: "No landscape layout available" },
                { tag: "no layouts", layouts: [], desktop: false, window: [400, 300], landscapeSet: -1,
                  portraitSet: -1, lock: [false, false], single: false, text: "No layout available" }
            ];
        }

        function test_layoutChoice(data) {
            _application.isDesktop = data.desktop;
            holder.width = data.window[0];
            holder.height = data.window[1];
            for (var i = 0; i < data.layouts.length; ++i)
                _application.addLayout(data.layouts[i], true, 1.5 + i, swatch(1, 0, 0, 0.5, 0.5, colours[i]));
            page.createContent();

            compare(page.createdLandscape, data.landscapeSet >= 0);
            compare(page.createdPortrait, data.portraitSet >= 0);
            compare(page.dynamicallyCreatedLandscapeItems.length, data.landscapeSet >= 0 ? 1 : 0);
            compare(page.dynamicallyCreatedPortraitItems.length, data.portraitSet >= 0 ? 1 : 0);
            if (data.landscapeSet >= 0) {
                compare(page.dynamicallyCreatedLandscapeItems[0].cppWidget,
                        _application.findWidget(data.landscapeSet, 1));
                compare(page.landscapeAspectRatio, 1.5 + data.landscapeSet);
            }
            if (data.portraitSet >= 0) {
                compare(page.dynamicallyCreatedPortraitItems[0].cppWidget,
                        _application.findWidget(data.portraitSet, 1));
                compare(page.portraitAspectRatio, 1.5 + data.portraitSet);
            }
            compare(page.landscapeFixedAspectRatio, data.landscapeSet >= 0 || data.single);
            compare(page.portraitFixedAspectRatio, data.portraitSet >= 0 || data.single);
            if (data.single)
                compare(page.portraitAspectRatio, page.landscapeAspectRatio);
            compare(page.singleLayoutIsAnyOrientation, data.single);
            compare(lastLockCall(), data.lock);
            var text = findChild(page, "emptyText");
            compare(text.text, data.text);
            compare(text.visible, data.text !== "");
            compare(text.font.pointSize, 24);
        }

        function test_orientationShowsItsSet() {
            _application.addLayout(0, false, 1, swatch(1, 0, 0, 0.5, 0.5, colours[0]));
            _application.addLayout(0, false, 1, swatch(1, 0.5, 0.5, 0.5, 0.5, colours[1]));
            page.createContent();
            var landscapeItem = page.dynamicallyCreatedLandscapeItems[0];
            var portraitItem = page.dynamicallyCreatedPortraitItems[0];
            verify(page.landscape);
            verify(landscapeItem.visible);
            verify(!portraitItem.visible);
            holder.width = 200;
            verify(!page.landscape);
            verify(!landscapeItem.visible);
            verify(portraitItem.visible);
        }

        // Every widget counts; the hidden tab's three wait until the engine or their widget gets
        // to them. A portrait item finished late stays hidden in a landscape window.
        function test_incubationProgress() {
            _application.addLayout(0, false, 1, tabs(1) + swatch(100, 0, 0, 0.1, 0.1, "#20c040"));
            _application.addLayout(0, false, 1, tabs(1));
            var progress = [];
            page.percentIncubationCompletedChanged.connect(function () {
                progress.push(page.percentIncubationCompleted);
            });
            page.createContent();
            compare(page.itemsAddedToIncubation, 11);
            compare(page.itemsCompletedIncubation, 7);
            compare(page.percentIncubationCompleted, 63);
            compare(pendingCount(), 4);
            compare(page.widgetIdToIncubatorLookup[11].length, 2);
            compare(page.widgetIdToIncubatorLookup[22].length, 2);
            compare(_application.completionItemCount(), 4);

            tryCompare(page, "percentIncubationCompleted", 100);
            compare(page.itemsCompletedIncubation, 11);
            compare(pendingCount(), 0);
            compare(_application.completionItemCount(), 0);
            compare(page.dynamicallyCreatedLandscapeItems.length, 6);
            compare(page.dynamicallyCreatedPortraitItems.length, 5);
            for (var i = 0; i < page.dynamicallyCreatedPortraitItems.length; ++i)
                verify(!page.dynamicallyCreatedPortraitItems[i].visible, "portrait item " + i + " hidden");
            for (i = 1; i < progress.length; ++i)
                verify(progress[i] > progress[i - 1] && progress[i] <= 100, "progress " + progress);
        }

        function test_progressWithoutWidgets_data() {
            return [
                { tag: "no layouts", layouts: 0 },
                { tag: "layouts without widgets", layouts: 2 }
            ];
        }

        function test_progressWithoutWidgets(data) {
            for (var i = 0; i < data.layouts; ++i)
                _application.addLayout(0, false, 1, "");
            page.createContent();
            compare(page.itemsAddedToIncubation, 0);
            compare(page.percentIncubationCompleted, 100);
        }

        // A hidden widget that becomes visible gets its view at once; ids repeat across the two
        // layouts, and each layout's widget hurries only its own view.
        function test_forceCompletion() {
            _application.addLayout(0, false, 1, tabs(1));
            _application.addLayout(0, false, 1, tabs(1));
            page.createContent();
            var landscapeTabs = _application.findWidget(0, 1);
            var portraitTabs = _application.findWidget(1, 1);
            var landscapeHidden = _application.findWidget(0, 11);
            var portraitHidden = _application.findWidget(1, 11);
            compare(page.widgetIdToIncubatorLookup[11].length, 2);
            verify(!itemOf(page.dynamicallyCreatedPortraitItems, portraitHidden));

            portraitTabs.currentTabIndex = 1;
            verify(itemOf(page.dynamicallyCreatedPortraitItems, portraitHidden), "portrait view made at once");
            verify(!itemOf(page.dynamicallyCreatedLandscapeItems, landscapeHidden), "landscape view still waits");
            compare(page.widgetIdToIncubatorLookup[11].length, 1);
            compare(page.widgetIdToIncubatorLookup[11][0].landscape, true);
            // The nested container shows too, and its hidden child's view follows at once.
            verify(itemOf(page.dynamicallyCreatedPortraitItems, _application.findWidget(1, 22)));
            compare(page.itemsCompletedIncubation, 8);

            landscapeTabs.currentTabIndex = 1;
            var view = itemOf(page.dynamicallyCreatedLandscapeItems, landscapeHidden);
            verify(view, "landscape view made at once");
            compare(pendingCount(), 0);
            compare(page.percentIncubationCompleted, 100);
            compare(_application.completionItemCount(), 0);
            // The view lies in its tab's page of the container's view, placed from the fractions.
            compare(view.parent.objectName, "tabPage1");
            compare(view.x, 0.5 * view.parent.width);

            // Nothing is pending any more: a late call changes nothing.
            page.forceCompletion(11);
            compare(page.itemsCompletedIncubation, 10);
        }

        // A widget whose view cannot be loaded is left out with its children; the rest is built and
        // the progress stays below 100.
        function test_failedComponentLeftOut() {
            var urls = _application.qmlUrls;
            urls["tab_container"] = Qt.resolvedUrl("Missing.qml");
            _application.qmlUrls = urls;
            _application.addLayout(2, false, 1, tabs(1) + swatch(100, 0, 0, 0.1, 0.1, "#20c040"));
            page.createContent();
            compare(page.dynamicallyCreatedLandscapeItems.length, 1);
            compare(page.dynamicallyCreatedLandscapeItems[0].cppWidget, _application.findWidget(0, 100));
            compare(pendingCount(), 0);
            wait(50);
            compare(page.itemsCompletedIncubation, 1);
            compare(page.percentIncubationCompleted, 16);
            compare(_application.completionItemCount(), 0);
        }

        function test_connectionBanner_data() {
            return [
                { tag: "all well", lost: false, all: true, demo: false, shown: false },
                { tag: "low time to live", lost: true, all: true, demo: false, shown: true },
                { tag: "a unit missing", lost: false, all: false, demo: false, shown: true },
                { tag: "demo mode never", lost: true, all: false, demo: true, shown: false }
            ];
        }

        function test_connectionBanner(data) {
            page.demoMode = data.demo;
            connection.lostCommsLowTTL = data.lost;
            connection.allUnitsConnectedAndAuthenticated = data.all;
            var banner = findChild(page, "connectionBanner");
            compare(page.showConnectionWarning, data.shown);
            compare(banner.visible, data.shown);
            compare(banner.height, 50);
            compare(banner.width, page.width);
            compare(banner.y, page.height - 50);
            compare(banner.z, 100);
            compare(findChild(banner, "bannerText").text, "Connection problem...");
            if (!data.shown)
                return;

            var moreInfo = findChild(banner, "moreInfoButton");
            var hide = findChild(banner, "hideButton");
            compare(moreInfo.width, 4 * moreInfo.height);
            compare(moreInfo.height, 25);
            compare(hide.width, 3 * hide.height);
            compare(hide.x + hide.width, banner.width - 10);
            mouseClick(moreInfo);
            compare(moreInfoSpy.count, 1);

            mouseClick(hide);
            verify(!banner.visible);
            // Hidden until the warning next changes: the unit coming back and going again shows it.
            connection.lostCommsLowTTL = false;
            connection.allUnitsConnectedAndAuthenticated = true;
            verify(!banner.visible);
            connection.allUnitsConnectedAndAuthenticated = false;
            verify(banner.visible);
        }

        function test_pageSize_data() {
            return [
                { tag: "free shape fills", fixed: false, aspect: 2, page: [0, 0, 400, 300], background: false },
                { tag: "wide ratio: full width", fixed: true, aspect: 2, page: [0, 50, 400, 200], background: true },
                { tag: "square ratio: full height", fixed: true, aspect: 1, page: [50, 0, 300, 300],
                  background: true },
                { tag: "a zero ratio fills", fixed: true, aspect: 0, page: [0, 0, 400, 300], background: false },
                { tag: "a negative ratio fills", fixed: true, aspect: -1, page: [0, 0, 400, 300],
                  background: false }
            ];
        }

        function test_pageSize(data) {
            _application.addLayout(0, data.fixed, data.aspect, swatch(1, 0, 0, 1, 1, colours[0]));
            page.createContent();
            compare([page.x, page.y, page.width, page.height], data.page);
            compare(page.color.toString(), "#ffffff");
            var background = findChild(page, "letterboxBackground");
            compare(background.visible, data.background);
            compare(background.color.toString(), Qt.rgba(0.07, 0.13, 0.15, 1).toString());
            compare([page.mapToItem(holder, background.x, background.y).x, background.width], [0, 400]);
            // The widget fills the page, whatever its shape.
            var item = page.dynamicallyCreatedLandscapeItems[0];
            compare([item.width, item.height], [data.page[2], data.page[3]]);
        }

        // Content built and torn down many times in a row, pending creations included, the
        // configuration replaced in between: no item is left, none is added twice, and the
        // progress never passes 100.
        function test_recreateLeavesNothing() {
            var baseline = countItems(page);
            var highest = 0;
            page.percentIncubationCompletedChanged.connect(function () {
                highest = Math.max(highest, page.percentIncubationCompleted);
            });
            for (var round = 0; round < 24; ++round) {
                if (round % 6 === 0) {
                    _application.clearLayouts();
                    _application.addLayout(0, false, 1, tabs(1) + swatch(100, 0, 0, 0.1, 0.1, "#20c040"));
                    _application.addLayout(0, false, 1, tabs(1));
                }
                page.createContent();
                if (round % 3 === 1)
                    wait(0);
                else if (round % 3 === 2)
                    tryCompare(page, "percentIncubationCompleted", 100);
                if (round % 4 === 3)
                    _application.clearLayouts();
                page.destroyContent();
                compare(pendingCount(), 0);
                compare(page.dynamicallyCreatedLandscapeItems.length + page.dynamicallyCreatedPortraitItems.length, 0);
            }
            _application.clearLayouts();
            _application.addLayout(0, false, 1, tabs(1) + swatch(100, 0, 0, 0.1, 0.1, "#20c040"));
            _application.addLayout(0, false, 1, tabs(1));
            page.createContent();
            page.destroyContent();
            page.createContent();
            tryCompare(page, "percentIncubationCompleted", 100);
            wait(50);
            compare(page.itemsCompletedIncubation, 11);
            compare(page.dynamicallyCreatedLandscapeItems.length, 6);
            compare(page.dynamicallyCreatedPortraitItems.length, 5);
            compare(_application.completionItemCount(), 0);
            verify(highest <= 100, "progress reached " + highest);

            page.destroyContent();
            tryVerify(function () {
                return countItems(page) === baseline;
            }, 5000, "items left: " + (countItems(page) - baseline));
            compare(_application.completionItemCount(), 0);
        }
    }
}
