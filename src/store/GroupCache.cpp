#include "store/GroupCache.h"

SharedAddressList GroupCache;
