// The one translation unit that holds stb_vorbis's code. It is third-party
// code: the build gives it neither our warning flags nor -Werror.
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>
