#include <tarnwick/stubproxy/FieldSource.h>

namespace Tarnwick::StubProxy {

FieldSource::~FieldSource() = default;

} // namespace Tarnwick::StubProxy
