// Wine's sal.h with the annotations the STL uses that it lacks; all empty,
// as they are to any compiler but the code analyser.
#pragma once
#include_next <sal.h>

#define _Analysis_assume_(expression)
#define _Check_return_opt_
#define _Field_z_
#define _Guarded_by_(lock)
#define _Pre_satisfies_(condition)
