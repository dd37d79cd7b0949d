.pragma library

// A part of a view made only while it is wanted (a disabled cover, a gradient, analogue hands, a
// recolouring): most views never show theirs, and every object costs each of thousands of views.
// Returns what the holder keeps: `current` while it is still wanted, a new object of `url` (a full
// address) when it is newly wanted, and null, with `current` destroyed, when it is no longer wanted.
function follow(current, wanted, url, parent, properties) {
    if (wanted && !current)
        return Qt.createComponent(url).createObject(parent, properties);
    if (!wanted && current) {
        current.destroy();
        return null;
    }
    return current;
}
