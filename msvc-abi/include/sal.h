// Wine's <sal.h> with the few source annotations Microsoft's STL uses that it lacks.
// They only inform code analysis, so they expand to nothing.
#pragma once
#include_next <sal.h>
#ifndef _Analysis_assume_
#define _Analysis_assume_(expr)
#endif
#ifndef _Check_return_opt_
#define _Check_return_opt_
#endif
#ifndef _Field_z_
#define _Field_z_
#endif
#ifndef _Guarded_by_
#define _Guarded_by_(lock)
#endif
#ifndef _Inout_bytecount_
#define _Inout_bytecount_(size)
#endif
#ifndef _Pre_satisfies_
#define _Pre_satisfies_(cond)
#endif
