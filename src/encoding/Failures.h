#pragma once

// Raise sites shared by the encoder and the sequence wrappers. Internal to the library.

namespace Tarnwick::Encoding::Detail {

/// "Requires sequence data type", source "Tarnwick::Encoding::XmlSequenceWrapperBase", line 57:
/// a dictionary's keys or values are not a primitive sequence, or are missing.
[[noreturn]] void RaiseRequiresSequence();

} // namespace Tarnwick::Encoding::Detail
