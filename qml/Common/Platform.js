.pragma library

// The platforms the pages tell apart; every other one, Linux included, is a desktop.
function isDesktop(platformName) {
    return platformName !== "android" && platformName !== "ios";
}
