// Built only by the tests WrongLayoutDoesNotCompile.*, which expect the build to fail: a record
// layout is compiled with the program that declares it, and a wrong one stops that build.
#include "common/textFormat.h"

#ifdef TOO_LONG
const RecordLayout tooLong{"(5000I1)"};
#else
const RecordLayout malformed{"(I5,)"};
#endif
