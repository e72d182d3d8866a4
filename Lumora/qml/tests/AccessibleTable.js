// One row of an accessibility table, checked on a control as screen readers
// see and use it. A row names what the control must show: role, name,
// description (empty unless given), states (`disabled` false unless given)
// and the exact list of actions. A row with an `action` also says how a hand
// does the same (`byHand`, the pointer or the keyboard), what either did
// (`outcome`, which waits for it: a request in the bridge's log, a screen
// opened) and, where needed, how to `undo` it; the action and the hand must
// have the same outcome, and it must not be empty or false.
.pragma library

function check(test, probe, row, item) {
    test.verify(item !== null && item !== undefined, row.tag + ": the control exists");
    const seen = probe.describe(item);
    test.compare(seen.role, row.role, row.tag + ": role");
    test.compare(seen.name, row.name, row.tag + ": name");
    const description = typeof row.description === "function" ? row.description(item) : row.description ?? "";
    test.verify(typeof row.description !== "function" || description !== "", row.tag + ": a description to read");
    test.compare(seen.description, description, row.tag + ": description");
    // A state given as a function is read from the control (a switch shows
    // its owner's value).
    const states = Object.assign({ disabled: false }, row.states ?? {});
    const compareStates = seen => {
        for (const state in states) {
            const want = typeof states[state] === "function" ? states[state](item) : states[state];
            test.compare(seen[state], want, row.tag + ": " + state);
        }
    };
    compareStates(seen);
    test.compare(seen.actions ?? [], row.actions, row.tag + ": actions");
    if (!row.action)
        return;
    const outcomes = [];
    for (const act of [() => test.verify(probe.doAction(item, row.action)), () => row.byHand(item)]) {
        act();
        outcomes.push(row.outcome(item));
        if (row.undo)
            row.undo(item);
    }
    test.verify(![undefined, null, "", false].includes(outcomes[0]), row.tag + ": the action does something");
    test.compare(outcomes[0], outcomes[1], row.tag + ": the action does what the hand does");
    compareStates(probe.describe(item));
}
