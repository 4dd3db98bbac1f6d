// stb_image and stb_image_write, compiled into the layer from Debian's
// headers. Only the PNG decoder is built: it is the one format the layer
// loads, and the others would only widen what a bad file can reach.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
