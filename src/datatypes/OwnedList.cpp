#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/OwnedList.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

template <class Node> void OwnedList<Node>::DestroyNodes() noexcept
{
    Detail::DestroyNodes(m_Nodes);
}

template class OwnedList<ServiceType>;
template class OwnedList<CompositeType>;
template class OwnedList<AnyTypeServiceType>;

} // namespace Tarnwick::DataTypes
