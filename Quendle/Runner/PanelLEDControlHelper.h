#pragma once

#include <QObject>
#include <QString>

#include <mutex>

/// What the runner knows of the panel PC it runs on and the colours of that PC's LED bar. One
/// instance per process, made by `CreateSingleton`; QML sees it as `DeviceDetails`.
///
/// An LED colour code holds a level 0..12 in bits 31..24 and red, green and blue 0..112 in the
/// three bytes below it.
class cPanelLEDControlHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool proDVX READ IsProDVX CONSTANT)
    Q_PROPERTY(double screenSize READ ScreenSize CONSTANT)

public:
    /// The first call makes the instance from its arguments; later calls return it and ignore theirs.
    static cPanelLEDControlHelper* CreateSingleton(bool proDVX, double screenSize);

    cPanelLEDControlHelper(bool proDVX, double screenSize);
    ~cPanelLEDControlHelper() override;

    /// Switches the LED on or off. No panel LED is driven on this platform.
    void SetPanelLED(bool on) const;
    /// Dark colour none and no channel lit; the lit colour stays.
    void DisableLED();
    /// The lit colour, from one of the panel LED widget's colour names.
    void SetPanelLEDColour(QString colour);
    /// The dark colour, from one of the panel LED widget's colour names.
    void SetPanelLEDOffColour(QString colour);

    /// The code of one of the eight colour names ("red" ... "darkgrey"), setting the channel flags;
    /// any other text gives 0 and leaves the flags alone.
    int ConvertColourCodeToLRGB(QString colour);
    /// The code of "#rrggbb" (of a longer text, its last six digits). A channel whose two digits
    /// cannot be read is reported and taken as 112.
    int ConvertColourStringToLRGB(QString rgb) const;

    bool IsProDVX() const { return mProDVX; }
    double ScreenSize() const { return mScreenSize; }
    quint32 OnColourCode() const { return mOnColour; }
    quint32 OffColourCode() const { return mOffColour; }
    bool RedOn() const { return mRed; }
    bool GreenOn() const { return mGreen; }
    bool BlueOn() const { return mBlue; }

private:
    /// The two hexadecimal digits at `position`, or -1 when there are not exactly two there.
    static int ReadChannel(const QString& rgb, int position);

    const bool mProDVX;
    const double mScreenSize;
    quint32 mOnColour = 0;
    quint32 mOffColour = 0;
    bool mRed = false;
    bool mGreen = false;
    bool mBlue = false;

    static cPanelLEDControlHelper* mInstance;
    static std::mutex mInstanceMutex;
};
