// One row of an accessibility table, checked on a control as screen readers
// see and use it: role, name, description, states (`disabled` false unless
// given; a function reads the control) and the exact actions. With an
// `action`, the action and the same done by hand (`byHand`) must have the same
// `outcome` (which waits for it), not empty or false; `undo` restores between.
.pragma library

function check(test, probe, row, item) {
    test.verify(item !== null && item !== undefined, row.tag + ": the control exists");
    const seen = probe.describe(item);
    test.compare(seen.role, row.role, row.tag + ": role");
    test.compare(seen.name, row.name, row.tag + ": name");
    const description = typeof row.description === "function" ? row.description(item) : row.description ?? "";
    test.verify(typeof row.description !== "function" || description !== "", row.tag + ": a description to read");
    test.compare(seen.description, description, row.tag + ": description");
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
