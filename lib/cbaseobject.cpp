#include "lib/cbaseobject.h"

namespace Kavrin {

NotifyResult CBaseObject::notify(CBaseObject*, const char*)
{
	return kMessageIgnored;
}

} // namespace Kavrin
