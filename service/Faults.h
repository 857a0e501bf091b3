// Fault injection for tests: TARN_DEVICE_FAULT is a comma-separated list of
// `Operation:n`, `Operation%n` or `Operation~n`. Operation is
// `Interface.Method` as the contract names them (Enumerator, Device,
// Profiles, Profile, Buttons, Keys, Sensitivity, Lights, Light, Properties,
// Acceleration, Polling, Macros, Macro, ColourRanges, ColourRange; e.g.
// `Profiles.Create`, `Macro.Events`; case is ignored), or `*` for any call.
// With `:n` the n-th call (1-based, counted across the process) of that
// operation fails, once; with `%n` every n-th call fails (calls n, 2n, 3n,
// ...); with `~n` each call fails with the chance 1 in n, drawn from a
// generator with a fixed seed (the same calls meet the same faults in every
// run). A failing call returns E_FAIL before it touches anything. Every
// contract method counts, reserved slots included; AddRef, Release and
// QueryInterface do not.
//
// Three more names stand for what the mouse does inside a call; `*` does not
// count them, they are named one by one:
// - `Lock`: taking the lock on the mouse's state (once per call that reaches
//   the state) answers busy, as when another program held the mouse for too
//   long.
// - `Load`: reading the state file (whenever it changed since this process
//   last read or wrote it) fails as a read error: the call answers busy.
// - `Save`: writing a committed change fails as a write error: the call that
//   made the change fails with HRESULT_FROM_WIN32(ERROR_WRITE_FAULT) and the
//   change is not kept.
//
// The counters restart whenever the variable's value changes. When a fault
// fires, TARN_DEVICE_FAULT_FIRED is set to 1 in the process environment.
#pragma once

namespace tarnsvc {

// Counts one call of `operation`; true when this call is to fail. A contract
// method also meets the `*` entries; the mouse's own steps (`Lock`, `Load`,
// `Save`) pass `contract` false and meet only entries that name them.
bool FaultFires(const char* operation, bool contract = true) noexcept;

}  // namespace tarnsvc
