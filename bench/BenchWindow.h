#pragma once
// What the benchmarks of the window share: the display they run on, finding a named object of
// the window, and the moment a frame showing a given item reached the screen.

#include <QByteArray>
#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

#include <atomic>
#include <chrono>
#include <vector>

#include <unistd.h>

/// Like RunInTestNamespace, with a virtual X display of its own inside the namespace when the
/// build found xvfb-run (real rendering through Mesa); without it, or when the benchmark is started
/// inside tools/netns-run.sh directly, the window is offscreen and drawn by the software scene
/// graph. Returns at once inside the namespace.
inline void RunInTestNamespaceWithDisplay(int argc, char** argv)
{
    if (qgetenv("ZUNET_IN_NETNS") == "1") {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            qputenv("QT_QUICK_BACKEND", "software");
        } else {
            qputenv("QT_QPA_PLATFORM", "xcb");
            qputenv("QT_XCB_GL_INTEGRATION", "xcb_glx");
            qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
        }
        return;
    }
    std::vector<char*> arguments { const_cast<char*>(ZUNET_NETNS_RUN) };
    const char* xvfb = ZUNET_XVFB_RUN;
    if (*xvfb != '\0') {
        for (const char* word : { xvfb, "-a", "-s", "-screen 0 1280x1024x24 -nolisten tcp" })
            arguments.push_back(const_cast<char*>(word));
    }
    for (int i = 0; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(ZUNET_NETNS_RUN, arguments.data());
    ::_exit(127);
}

/// The object named `name` below `object`: its children, an item's child items, a window's items.
inline QObject* FindObject(QObject* object, const QString& name)
{
    if (!object || object->objectName() == name)
        return object;
    for (QObject* child : object->children()) {
        if (QObject* found = FindObject(child, name))
            return found;
    }
    if (auto* item = qobject_cast<QQuickItem*>(object)) {
        for (QQuickItem* child : item->childItems()) {
            if (QObject* found = FindObject(child, name))
                return found;
        }
    }
    if (auto* window = qobject_cast<QQuickWindow*>(object))
        return FindObject(window->contentItem(), name);
    return nullptr;
}

/// Notes when the first frame that shows an item (or, without one, any content) was swapped to
/// the screen. A frame counts only when it was synchronised after the item became visible, so a
/// frame already in flight on the render thread does not.
class cFirstFrameWatch : public QObject
{
public:
    using tClock = std::chrono::steady_clock;

    /// Starts watching `window`; `item` may be null.
    void Watch(QQuickWindow* window, QQuickItem* item)
    {
        if (item == nullptr || item->isVisible())
            Show();
        if (item) {
            connect(item, &QQuickItem::visibleChanged, this, [this, item] {
                if (item->isVisible())
                    Show();
            });
        }
        // Both on the render thread (or this one with the software loop): the GUI thread waits
        // during the synchronisation.
        connect(
            window, &QQuickWindow::afterSynchronizing, this,
            [this] {
                if (mShown)
                    mSynced = true;
            },
            Qt::DirectConnection);
        connect(
            window, &QQuickWindow::frameSwapped, this,
            [this] {
                if (mSynced && mSwapped.load() == 0)
                    mSwapped = tClock::now().time_since_epoch().count();
            },
            Qt::DirectConnection);
    }
    /// Arms the watch again, for the next frame that shows the item.
    void Reset()
    {
        mSynced = false;
        mSwapped = 0;
    }
    bool Swapped() const { return mSwapped.load() != 0; }
    /// When the item first became visible.
    tClock::time_point ShownAt() const { return tClock::time_point(tClock::duration(mShownAt.load())); }
    tClock::time_point SwappedAt() const { return tClock::time_point(tClock::duration(mSwapped.load())); }

private:
    void Show()
    {
        if (!mShown)
            mShownAt = tClock::now().time_since_epoch().count();
        mShown = true;
    }

    std::atomic<bool> mShown { false };
    std::atomic<tClock::rep> mShownAt { 0 };
    std::atomic<bool> mSynced { false };
    std::atomic<tClock::rep> mSwapped { 0 };
};
