#pragma once

#include "HueRGB.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QtQml/qqmlregistration.h>

/// Every colour the screens are drawn with, named by what it is for. Lumora has
/// one appearance, dark; QML reads these and writes no colour of its own. Only
/// the colours of the lights themselves (glows, pickers' marks) are computed
/// elsewhere, from the lights.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // Surfaces, from the window's back to what floats above the cards.
    Q_PROPERTY(QColor content READ content CONSTANT)
    Q_PROPERTY(QColor sidebar READ sidebar CONSTANT)
    Q_PROPERTY(QColor card READ card CONSTANT)
    Q_PROPERTY(QColor panel READ panel CONSTANT)
    Q_PROPERTY(QColor popover READ popover CONSTANT)
    Q_PROPERTY(QColor popoverBorder READ popoverBorder CONSTANT)
    Q_PROPERTY(QColor modalDim READ modalDim CONSTANT)
    Q_PROPERTY(QColor divider READ divider CONSTANT)
    Q_PROPERTY(QColor selection READ selection CONSTANT)
    Q_PROPERTY(QColor hover READ hover CONSTANT)
    Q_PROPERTY(QColor activeTile READ activeTile CONSTANT)
    Q_PROPERTY(QColor activeTileBorder READ activeTileBorder CONSTANT)
    Q_PROPERTY(QColor cardButton READ cardButton CONSTANT)
    Q_PROPERTY(QColor focusRing READ focusRing CONSTANT)
    Q_PROPERTY(QColor scrollIndicator READ scrollIndicator CONSTANT)
    Q_PROPERTY(QColor liftShadow READ liftShadow CONSTANT)
    // Text and symbols, from the most to the least prominent.
    Q_PROPERTY(QColor text READ text CONSTANT)
    Q_PROPERTY(QColor textLabel READ textLabel CONSTANT)
    Q_PROPERTY(QColor textCaption READ textCaption CONSTANT)
    Q_PROPERTY(QColor textSubtle READ textSubtle CONSTANT)
    Q_PROPERTY(QColor textTileCaption READ textTileCaption CONSTANT)
    Q_PROPERTY(QColor textSecondary READ textSecondary CONSTANT)
    Q_PROPERTY(QColor disclosure READ disclosure CONSTANT)
    Q_PROPERTY(QColor textTertiary READ textTertiary CONSTANT)
    Q_PROPERTY(QColor textSectionHeader READ textSectionHeader CONSTANT)
    Q_PROPERTY(QColor placeholder READ placeholder CONSTANT)
    Q_PROPERTY(QColor textDisabled READ textDisabled CONSTANT)
    Q_PROPERTY(QColor textShadow READ textShadow CONSTANT)
    // The accent and the colours that say something went wrong or needs attention.
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor warning READ warning CONSTANT)
    Q_PROPERTY(QColor destructive READ destructive CONSTANT)
    Q_PROPERTY(QColor attention READ attention CONSTANT)
    Q_PROPERTY(QColor bannerFill READ bannerFill CONSTANT)
    // Switches, sliders and the colour wheel.
    Q_PROPERTY(QColor knob READ knob CONSTANT)
    Q_PROPERTY(QColor knobOff READ knobOff CONSTANT)
    Q_PROPERTY(QColor knobShadow READ knobShadow CONSTANT)
    Q_PROPERTY(QColor trackOn READ trackOn CONSTANT)
    Q_PROPERTY(QColor trackOff READ trackOff CONSTANT)
    Q_PROPERTY(QColor sliderTrack READ sliderTrack CONSTANT)
    Q_PROPERTY(QColor sliderFill READ sliderFill CONSTANT)
    Q_PROPERTY(QColor sliderKnobShadow READ sliderKnobShadow CONSTANT)
    Q_PROPERTY(QColor toneTrackBorder READ toneTrackBorder CONSTANT)
    Q_PROPERTY(QColor toneKnobBorder READ toneKnobBorder CONSTANT)
    Q_PROPERTY(QColor wheelRingShadow READ wheelRingShadow CONSTANT)
    // The bevels of the style's own controls: light edges and dark shadows.
    Q_PROPERTY(QColor bevelLight READ bevelLight CONSTANT)
    Q_PROPERTY(QColor bevelMidlight READ bevelMidlight CONSTANT)
    Q_PROPERTY(QColor bevelMid READ bevelMid CONSTANT)
    Q_PROPERTY(QColor bevelDark READ bevelDark CONSTANT)
    Q_PROPERTY(QColor bevelShadow READ bevelShadow CONSTANT)
    Q_PROPERTY(QColor neutralLight READ neutralLight CONSTANT)
    Q_PROPERTY(QColor neutralLightClear READ neutralLightClear CONSTANT)

public:
    using QObject::QObject;

    static constexpr HueRGB contentRGB{0.094, 0.094, 0.094};
    static constexpr HueRGB sidebarRGB{0.122, 0.122, 0.122};
    static constexpr HueRGB cardRGB{0.172, 0.18, 0.192};
    static constexpr HueRGB panelRGB{0.128, 0.132, 0.14};

    static QColor color(HueRGB rgb, double opacity = 1.0);
    /// The reverse of `color`: a colour picked on screen as the kit's sRGB triple.
    static HueRGB rgb(const QColor &color);

    /// The palette Qt Quick Controls and Qt itself draw with, made of the colours below.
    static QPalette palette();
    /// Gives a Quick Controls palette (a window's or a control's `palette`)
    /// the roles of `palette()`. Quick Controls never read the application's
    /// palette, and a window does not pass its own on to another window, so
    /// each window's root calls this once it is complete.
    Q_INVOKABLE static void paint(QObject *quickPalette);

    /// The darkening laid over a lit card so its text stays readable; the
    /// opacity comes from the card's glow.
    Q_INVOKABLE static QColor cardScrim(double opacity) { return black(opacity); }

    static QColor content() { return color(contentRGB); }
    static QColor sidebar() { return color(sidebarRGB); }
    static QColor card() { return color(cardRGB); }
    /// A room's section on the home screen, behind its cards.
    static QColor panel() { return color(panelRGB); }
    /// Popups that float over the screen: the colour picker, saving a scene.
    static QColor popover() { return QColor(0x28, 0x29, 0x2c); }
    static QColor popoverBorder() { return white(0.1); }
    /// Laid over the window behind a dialog that waits for an answer.
    static QColor modalDim() { return black(0.5); }
    /// The line between the sidebar and the content.
    static QColor divider() { return black(0.6); }
    /// The sidebar's selected row, and a row under the pointer.
    static QColor selection() { return white(0.12); }
    static QColor hover() { return white(0.05); }
    /// A scene tile whose scene is the one the lights show.
    static QColor activeTile() { return white(0.2); }
    static QColor activeTileBorder() { return white(0.85); }
    /// The round button on a light card that opens its colour picker.
    static QColor cardButton() { return white(0.22); }
    /// The frame around the card that has the keyboard's focus.
    static QColor focusRing() { return white(0.7); }
    /// The bar that shows while a screen scrolls, over its content.
    static QColor scrollIndicator() { return white(0.45); }
    /// The shadow under a card being dragged.
    static QColor liftShadow() { return Qt::black; }

    static QColor text() { return Qt::white; }
    /// Form labels and lines saying what is going on.
    static QColor textLabel() { return white(0.85); }
    /// The second line of a card, over its glow.
    static QColor textCaption() { return white(0.8); }
    /// The sidebar's symbols, the version line.
    static QColor textSubtle() { return white(0.7); }
    /// A scene tile's second line.
    static QColor textTileCaption() { return white(0.65); }
    /// Explanations, hints, values and section titles.
    static QColor textSecondary() { return white(0.6); }
    /// The chevron after a room's name.
    static QColor disclosure() { return white(0.85 * 0.7); }
    /// Large symbols of empty screens, the picker's labels.
    static QColor textTertiary() { return white(0.55); }
    static QColor textSectionHeader() { return white(0.45); }
    static QColor placeholder() { return white(0.45); }
    static QColor textDisabled() { return white(0.35); }
    /// Under text on a lit card, which may be bright.
    static QColor textShadow() { return black(0.28); }

    static QColor accent() { return QColor(0x0a, 0x84, 0xff); }
    static QColor warning() { return QColor(0xff, 0x9f, 0x0a); }
    static QColor destructive() { return QColor(0xff, 0x69, 0x61); }
    /// The yellow that asks for attention; the banner is made of it.
    static QColor attention() { return QColor(0xff, 0xd6, 0x0a); }
    /// The banner over the screens: the attention yellow at a quarter on the content colour.
    static QColor bannerFill() { return QColor::fromRgbF(1.0f, 0.839f, 0.039f, 0.25f); }

    static QColor knob() { return Qt::white; }
    /// A switch's knob while off.
    static QColor knobOff() { return white(0.5); }
    static QColor knobShadow() { return black(0.3); }
    /// A switch's track, on and off.
    static QColor trackOn() { return black(0.3); }
    static QColor trackOff() { return white(0.1); }
    /// The brightness slider: its track, the part up to the knob, the knob's shadow.
    static QColor sliderTrack() { return black(0.25); }
    static QColor sliderFill() { return white(0.5); }
    static QColor sliderKnobShadow() { return black(0.35); }
    /// The white-tone slider's edge and its knob's.
    static QColor toneTrackBorder() { return white(0.15); }
    static QColor toneKnobBorder() { return black(0.15); }
    /// The shadow of the ring that marks the picked colour on the wheel.
    static QColor wheelRingShadow() { return black(0.33); }
    static QColor bevelLight() { return white(0.25); }
    static QColor bevelMidlight() { return white(0.15); }
    static QColor bevelMid() { return black(0.35); }
    static QColor bevelDark() { return black(0.55); }
    static QColor bevelShadow() { return Qt::black; }

    /// White light: what a picker shows without a colour, the wheel's centre
    /// and that white fading out towards the wheel's rim.
    static QColor neutralLight() { return Qt::white; }
    static QColor neutralLightClear() { return white(0); }

private:
    static QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }
    static QColor black(double opacity) { return QColor::fromRgbF(0, 0, 0, float(opacity)); }
};
