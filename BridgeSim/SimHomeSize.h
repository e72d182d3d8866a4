#pragma once

/// The shape of a generated home. Devices beyond one per light (and the
/// bridge's own) are switches. Scenes are spread over rooms and zones; each
/// has up to `actionsPerScene` actions, for the group's lights first and then
/// for further lights of the home when the group has fewer.
struct SimHomeSize
{
    int lights = 12;
    int devices = 16;
    int rooms = 3;
    int zones = 1;
    int scenes = 8;
    int actionsPerScene = 4;

    /// A small home for quick tests.
    static SimHomeSize small() { return {}; }
    /// A full square bridge (BSB002): about 50 lights, 200 scenes.
    static SimHomeSize bridgeV2() { return {50, 80, 12, 4, 200, 6}; }
    /// A full Bridge Pro (BSB003): 150 lights, 300 devices, 50 rooms and
    /// zones, 500 scenes of 10 actions.
    static SimHomeSize bridgePro() { return {150, 300, 40, 10, 500, 10}; }

    friend bool operator==(const SimHomeSize &, const SimHomeSize &) = default;
};
