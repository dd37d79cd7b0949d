import QtQuick 2.15
import QtQuick.Window 2.15
import MainActivitySingleton 1.0

// The layouts of the current configuration as widget views: one set for landscape and one for
// portrait, created asynchronously (a hidden widget's view only when the engine gets to it or the
// widget becomes visible), and a banner while the units cannot all be reached.
Rectangle {
    id: contentPage

    property var dynamicallyCreatedLandscapeItems: []
    property var dynamicallyCreatedPortraitItems: []
    // widget id -> pending creations of that id, one per layout set: ids repeat across layouts.
    property var widgetIdToIncubatorLookup: ({})
    // View URL -> its component: one per view type, not one per widget.
    property var componentForUrl: ({})
    property bool landscape: parent ? parent.width >= parent.height : true
    property bool singleLayoutIsAnyOrientation: false
    property bool fixedAspectRatio: landscape ? landscapeFixedAspectRatio : portraitFixedAspectRatio
    property real aspectRatio: landscape ? landscapeAspectRatio : portraitAspectRatio
    property bool landscapeFixedAspectRatio: false
    property bool portraitFixedAspectRatio: false
    property real landscapeAspectRatio: 1.0
    property real portraitAspectRatio: 1.0
    property bool createdLandscape: false
    property bool createdPortrait: false
    property int itemsAddedToIncubation: 0
    property int itemsCompletedIncubation: 0
    property int percentIncubationCompleted: itemsAddedToIncubation > 0
        ? Math.floor(100 * itemsCompletedIncubation / itemsAddedToIncubation) : 100
    property bool demoMode: false
    readonly property QtObject connectionInterface: _application && _application.currentConfig
        ? _application.currentConfig.connectionInterface || null : null
    property bool showConnectionWarning: !demoMode && connectionInterface !== null
        && (connectionInterface.lostCommsLowTTL || !connectionInterface.allUnitsConnectedAndAuthenticated)

    readonly property int layoutCount: _application && _application.currentConfig
        && _application.currentConfig.layouts ? _application.currentConfig.layouts.count : 0
    // Raised by destroyContent: a creation started for earlier content finds itself stale.
    property int contentGeneration: 0
    // A ratio that is not positive cannot shape the page: it fills its holder then.
    readonly property bool letterboxed: fixedAspectRatio && aspectRatio > 0

    signal showConnectingToUnitsPage

    color: "white"

    // The holder is the parent: with a fixed aspect ratio the page is the largest centred rectangle
    // of that ratio inside it.
    readonly property real holderWidth: parent ? parent.width : 0
    readonly property real holderHeight: parent ? parent.height : 0
    width: letterboxed ? Math.min(holderHeight * aspectRatio, holderWidth) : holderWidth
    height: letterboxed ? Math.min(holderWidth / aspectRatio, holderHeight) : holderHeight
    x: (holderWidth - width) / 2
    y: (holderHeight - height) / 2

    onLandscapeChanged: updateLandscapePortraitVisibility()
    onShowConnectionWarningChanged: connectionBanner.visible = showConnectionWarning

    function createContent() {
        // Content still there would otherwise be doubled.
        destroyContent();
        widgetIdToIncubatorLookup = {};
        createdLandscape = false;
        createdPortrait = false;
        itemsAddedToIncubation = 0;
        itemsCompletedIncubation = 0;

        var layouts = _application.currentConfig ? _application.currentConfig.layouts : null;
        var count = layouts ? layouts.count : 0;
        var landscapeLayout = null;
        var portraitLayout = null;
        for (var i = 0; i < count; ++i) {
            var layout = layouts.get(i);
            var orientation = layout.orientation;
            var toLandscape = orientation === 0 || orientation === 2 || _application.isDesktop;
            var toPortrait = orientation === 0 || orientation === 1;
            if (toLandscape && !landscapeLayout) {
                landscapeLayout = layout;
                landscapeFixedAspectRatio = layout.fixedAspectRatio;
                landscapeAspectRatio = layout.aspectRatio;
            } else if (toPortrait && !portraitLayout) {
                portraitLayout = layout;
                portraitFixedAspectRatio = layout.fixedAspectRatio;
                portraitAspectRatio = layout.aspectRatio;
            }
        }
        // Both sets are counted before either is built, so the progress only ever rises.
        if (landscapeLayout)
            itemsAddedToIncubation += landscapeLayout.getTotalNumWidgets();
        if (portraitLayout)
            itemsAddedToIncubation += portraitLayout.getTotalNumWidgets();
        if (landscapeLayout) {
            createLayout(landscapeLayout, true);
            createdLandscape = true;
        }
        if (portraitLayout) {
            createLayout(portraitLayout, false);
            createdPortrait = true;
        }
        if (!createdLandscape)
            landscapeFixedAspectRatio = false;
        if (!createdPortrait)
            portraitFixedAspectRatio = false;

        if (count === 1) {
            singleLayoutIsAnyOrientation = layouts.get(0).orientation === 0 || _application.isDesktop;
            if (singleLayoutIsAnyOrientation)
                MainActivity.lockOrientation(false, false);
            else
                MainActivity.lockOrientation(true, createdPortrait);
        } else {
            MainActivity.lockOrientation(false, false);
            singleLayoutIsAnyOrientation = false;
        }

        if (singleLayoutIsAnyOrientation) {
            if (createdLandscape) {
                portraitFixedAspectRatio = landscapeFixedAspectRatio;
                portraitAspectRatio = landscapeAspectRatio;
            } else {
                landscapeFixedAspectRatio = portraitFixedAspectRatio;
                landscapeAspectRatio = portraitAspectRatio;
            }
        }
        updateLandscapePortraitVisibility();
    }

    function createLayout(layout, addToLandscapeItems) {
        var widgets = layout.widgets;
        for (var i = 0; i < widgets.count; ++i)
            createWidget(widgets.get(i), contentPage, addToLandscapeItems);
    }

    function destroyContent() {
        // Pending creations are finished and thrown away at once: left running they would add
        // items of the old content to the new one.
        ++contentGeneration;
        var lookup = widgetIdToIncubatorLookup;
        widgetIdToIncubatorLookup = {};
        for (var id in lookup) {
            var pending = lookup[id];
            for (var i = 0; i < pending.length; ++i) {
                pending[i].incubator.forceCompletion();
                releaseWidget(pending[i].cppWidget);
            }
        }
        destroyItems(dynamicallyCreatedLandscapeItems);
        destroyItems(dynamicallyCreatedPortraitItems);
        dynamicallyCreatedLandscapeItems = [];
        dynamicallyCreatedPortraitItems = [];
    }

    function destroyItems(items) {
        for (var i = 0; i < items.length; ++i) {
            // A container's destruction may have taken its children's items already.
            if (items[i])
                items[i].destroy();
        }
    }

    // The widget may have gone with its configuration already; it then holds nothing of ours.
    function releaseWidget(cppWidget) {
        if (cppWidget && typeof cppWidget.removeCompletionItem === "function")
            cppWidget.removeCompletionItem(contentPage);
    }

    function forceCompletion(widgetId) {
        var pending = widgetIdToIncubatorLookup[widgetId];
        if (!pending || pending.length === 0) {
            console.log("Error - view incubator not found");
            return;
        }
        // The widget that became visible is hurried; a widget of the same id in the other layout
        // keeps its own pace. Called for no visible widget, every pending one is hurried.
        var chosen = pending.filter(function (entry) {
            return entry.cppWidget && entry.cppWidget.isVisible;
        });
        if (chosen.length === 0)
            chosen = pending.slice();
        for (var i = 0; i < chosen.length; ++i) {
            chosen[i].incubator.forceCompletion();
            removePending(widgetId, chosen[i].landscape);
        }
    }

    function removePending(widgetId, addToLandscapeItems) {
        var pending = widgetIdToIncubatorLookup[widgetId];
        if (!pending)
            return;
        pending = pending.filter(function (entry) {
            return entry.landscape !== addToLandscapeItems;
        });
        if (pending.length === 0)
            delete widgetIdToIncubatorLookup[widgetId];
        else
            widgetIdToIncubatorLookup[widgetId] = pending;
    }

    function createWidget(cppWidget, parentItem, addToLandscapeItems) {
        var url = _application.getQmlUrlForType(cppWidget.type);
        var component = componentForUrl[url];
        if (!component) {
            component = Qt.createComponent(url);
            componentForUrl[url] = component;
        }
        if (component.status !== Component.Ready) {
            console.log("Error creating component " + url + ": " + component.errorString());
            return;
        }
        var incubator = component.incubateObject(parentItem, { "cppWidget": cppWidget, "runner": true });
        if (!incubator) {
            console.log("Error creating object");
            return;
        }
        if (cppWidget.isContainer || cppWidget.isVisible)
            incubator.forceCompletion();

        if (incubator.status === Component.Ready) {
            finishCreateWidget(cppWidget, parentItem, incubator.object, addToLandscapeItems);
            return;
        }
        if (incubator.status === Component.Error) {
            console.log("Error creating object");
            return;
        }

        var widgetId = cppWidget.widgetId;
        var generation = contentGeneration;
        var entry = { "incubator": incubator, "cppWidget": cppWidget, "landscape": addToLandscapeItems };
        var pending = widgetIdToIncubatorLookup[widgetId] || [];
        pending.push(entry);
        widgetIdToIncubatorLookup[widgetId] = pending;
        cppWidget.addCompletionItem(contentPage);
        incubator.onStatusChanged = function (status) {
            if (generation !== contentGeneration) {
                if (status === Component.Ready && incubator.object)
                    incubator.object.destroy();
                return;
            }
            if (status === Component.Ready) {
                finishCreateWidget(cppWidget, parentItem, incubator.object, addToLandscapeItems);
            } else if (status === Component.Error) {
                console.log("Error creating object");
                removePending(widgetId, addToLandscapeItems);
                releaseWidget(cppWidget);
            }
        };
    }

    function finishCreateWidget(cppWidget, parentItem, widgetItem, addToLandscapeItems) {
        ++itemsCompletedIncubation;
        cppWidget.removeCompletionItem(contentPage);
        removePending(cppWidget.widgetId, addToLandscapeItems);
        if (addToLandscapeItems)
            dynamicallyCreatedLandscapeItems.push(widgetItem);
        else
            dynamicallyCreatedPortraitItems.push(widgetItem);
        // An item finished after the content was laid out must not show in the other orientation.
        if (!singleLayoutIsAnyOrientation)
            widgetItem.visible = addToLandscapeItems === landscape;
        createSubWidgets(cppWidget, parentItem, widgetItem, addToLandscapeItems);
    }

    function createSubWidgets(cppWidget, parentItem, widgetItem, addToLandscapeItems) {
        if (!cppWidget.isContainer)
            return;
        if (typeof widgetItem.getContainer !== "function") {
            console.log("Error creating object: the view of " + cppWidget.type + " holds no children");
            return;
        }
        var children = cppWidget.widgetChildren;
        for (var i = 0; i < children.count; ++i) {
            var child = children.get(i);
            createWidget(child, widgetItem.getContainer(cppWidget.getContainerLocation(child)), addToLandscapeItems);
        }
    }

    function updateLandscapePortraitVisibility() {
        if (singleLayoutIsAnyOrientation)
            return;
        var i;
        for (i = 0; i < dynamicallyCreatedLandscapeItems.length; ++i) {
            if (dynamicallyCreatedLandscapeItems[i])
                dynamicallyCreatedLandscapeItems[i].visible = landscape;
        }
        for (i = 0; i < dynamicallyCreatedPortraitItems.length; ++i) {
            if (dynamicallyCreatedPortraitItems[i])
                dynamicallyCreatedPortraitItems[i].visible = !landscape;
        }
    }

    // The holder's background around a letterboxed page.
    Rectangle {
        objectName: "letterboxBackground"
        z: -1
        x: -contentPage.x
        y: -contentPage.y
        width: contentPage.holderWidth
        height: contentPage.holderHeight
        visible: contentPage.letterboxed
        color: Qt.rgba(0.07, 0.13, 0.15, 1)
    }

    Text {
        objectName: "emptyText"
        anchors.centerIn: parent
        font.pointSize: 24
        visible: text !== ""
        text: {
            if (contentPage.layoutCount === 0)
                return "No layout available";
            if (contentPage.layoutCount === 1 && !contentPage.singleLayoutIsAnyOrientation
                    && !(contentPage.landscape ? contentPage.createdLandscape : contentPage.createdPortrait))
                return "No " + (contentPage.landscape ? "landscape" : "portrait") + " layout available";
            return "";
        }
    }

    Rectangle {
        id: connectionBanner

        objectName: "connectionBanner"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 50
        z: 100
        color: Qt.rgba(0, 0.02, 0.03, 0.5)
        visible: contentPage.showConnectionWarning

        ConnectingIcon {
            objectName: "bannerConnectingIcon"
            x: 30
            anchors.verticalCenter: parent.verticalCenter
            width: 10 * Screen.pixelDensity
            height: width
        }

        Text {
            objectName: "bannerText"
            anchors.right: moreInfoButton.left
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            text: "Connection problem..."
            font.pointSize: 16
            color: "white"
        }

        BannerButton {
            id: moreInfoButton

            objectName: "moreInfoButton"
            anchors.right: hideButton.left
            anchors.rightMargin: 10
            width: 4 * height
            text: "More Info"
            onClicked: contentPage.showConnectingToUnitsPage()
        }

        BannerButton {
            id: hideButton

            objectName: "hideButton"
            anchors.right: parent.right
            anchors.rightMargin: 10
            width: 3 * height
            text: "Hide"
            onClicked: connectionBanner.visible = false
        }
    }

    component BannerButton: Rectangle {
        id: button

        property alias text: label.text

        signal clicked

        anchors.verticalCenter: parent.verticalCenter
        height: parent.height / 2
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, mouseArea.pressed ? 0.2 : 1)

        Text {
            id: label

            anchors.centerIn: parent
            font.pointSize: 16
            color: "white"
        }

        MouseArea {
            id: mouseArea

            anchors.fill: parent
            onClicked: button.clicked()
        }
    }
}
