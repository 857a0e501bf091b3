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
// run). A failing call returns E_FAIL before it touches anything. Every contract method counts, reserved slots
// included; AddRef, Release and QueryInterface do not. The counters restart
// whenever the variable's value changes. When a fault fires,
// TARN_DEVICE_FAULT_FIRED is set to 1 in the process environment.
#pragma once

namespace tarnsvc {

// Counts one call of `operation`; true when this call is to fail.
bool FaultFires(const char* operation) noexcept;

}  // namespace tarnsvc
