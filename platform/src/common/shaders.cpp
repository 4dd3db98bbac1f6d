// GLSL 330 shaders with raylib's interface: the default pair, fragment
// shaders loaded from files, uniforms and shader mode.

#include <cstring>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "backend/gl.h"
#include "frame_record.h"
#include "internal.h"

namespace {

constexpr int kMaxLocations = 32;

const char *kDefaultVertex = R"(#version 330
in vec3 vertexPosition;
in vec2 vertexTexCoord;
in vec4 vertexColor;
out vec2 fragTexCoord;
out vec4 fragColor;
uniform mat4 mvp;
void main()
{
    fragTexCoord = vertexTexCoord;
    fragColor = vertexColor;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
)";

const char *kDefaultFragment = R"(#version 330
in vec2 fragTexCoord;
in vec4 fragColor;
out vec4 finalColor;
uniform sampler2D texture0;
uniform vec4 colDiffuse;
void main()
{
    finalColor = texture(texture0, fragTexCoord) * colDiffuse * fragColor;
}
)";

// The default program and its locations, made when the window opens.
struct DefaultShader {
    GLuint id = 0;
    int *locs = nullptr;
};
DefaultShader g_default;

// Location arrays of the shaders loaded and not yet unloaded: they go with the
// window, like the programs themselves, so a program that never unloads its
// shaders leaks nothing.
std::vector<int *> g_loadedLocs;

// The driver's own log of a failed compile or link, as it wrote it but for
// the line end after its last message.
template <typename GetLength, typename GetLog> std::string driverLog(GLuint object, GetLength length, GetLog log)
{
    GLint size = 0;
    length(object, GL_INFO_LOG_LENGTH, &size);
    if (size <= 0) return {};
    std::string text(std::size_t(size), '\0');
    GLsizei written = 0;
    log(object, size, &written, text.data());
    text.resize(std::size_t(std::clamp<GLsizei>(written, 0, size)));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

GLuint compile(GLenum kind, const char *source)
{
    GLuint shader = glCreateShader(kind);
    std::string adapted;
    source = rlp::gl::ShaderSource(source, adapted);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    // As raylib does: the failure, then the driver's words on it, each a warning.
    const char *stage = kind == GL_VERTEX_SHADER ? "vertex" : "fragment";
    TraceLog(LOG_WARNING, "SHADER: [ID %u] Failed to compile %s shader code", shader, stage);
    const std::string log = driverLog(shader, glGetShaderiv, glGetShaderInfoLog);
    if (!log.empty()) TraceLog(LOG_WARNING, "SHADER: [ID %u] Compile error: %s", shader, log.c_str());
    glDeleteShader(shader);
    return 0;
}

GLuint link(const char *vertexSource, const char *fragmentSource)
{
    GLuint vs = compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fs = vs ? compile(GL_FRAGMENT_SHADER, fragmentSource) : 0;
    if (vs == 0 || fs == 0) {
        if (vs) glDeleteShader(vs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "vertexPosition");
    glBindAttribLocation(program, 1, "vertexTexCoord");
    glBindAttribLocation(program, 3, "vertexColor");
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) return program;
    TraceLog(LOG_WARNING, "SHADER: [ID %u] Failed to link shader program", program);
    const std::string log = driverLog(program, glGetProgramiv, glGetProgramInfoLog);
    if (!log.empty()) TraceLog(LOG_WARNING, "SHADER: [ID %u] Link error: %s", program, log.c_str());
    glDeleteProgram(program);
    return 0;
}

int *makeLocations(GLuint program)
{
    int *locs = static_cast<int *>(std::malloc(kMaxLocations * sizeof(int)));
    for (int i = 0; i < kMaxLocations; ++i)
        locs[i] = -1;
    // Slots as raylib numbers them: position, texcoord, colour, mvp, colDiffuse, texture0.
    locs[0] = glGetAttribLocation(program, "vertexPosition");
    locs[1] = glGetAttribLocation(program, "vertexTexCoord");
    locs[5] = glGetAttribLocation(program, "vertexColor");
    locs[6] = glGetUniformLocation(program, "mvp");
    locs[12] = glGetUniformLocation(program, "colDiffuse");
    locs[15] = glGetUniformLocation(program, "texture0");
    return locs;
}

std::optional<std::string> readText(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to open text file", path);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Shader defaultShader() { return Shader{g_default.id, g_default.locs}; }

}  // namespace

namespace rlp {

void ShadersInit()
{
    g_default.id = link(kDefaultVertex, kDefaultFragment);
    g_default.locs = makeLocations(g_default.id);
}

void ShadersShutdown()
{
    for (int *locs : g_loadedLocs)
        std::free(locs);
    g_loadedLocs.clear();
    if (g_default.id) glDeleteProgram(g_default.id);
    std::free(g_default.locs);
    g_default = DefaultShader{};
}

unsigned int DefaultShaderId() { return g_default.id; }
int *DefaultShaderLocs() { return g_default.locs; }

}  // namespace rlp

namespace rlp {

void BatchExecuteUniform(const FrameOp &op)
{
    glUseProgram(op.program);
    const float *f = op.values;
    int i[4];
    std::memcpy(i, op.values, sizeof i);
    switch (op.uniformType) {
        case SHADER_UNIFORM_FLOAT: glUniform1fv(op.location, 1, f); break;
        case SHADER_UNIFORM_VEC2: glUniform2fv(op.location, 1, f); break;
        case SHADER_UNIFORM_VEC3: glUniform3fv(op.location, 1, f); break;
        case SHADER_UNIFORM_VEC4: glUniform4fv(op.location, 1, f); break;
        case SHADER_UNIFORM_INT:
        case SHADER_UNIFORM_SAMPLER2D: glUniform1iv(op.location, 1, i); break;
        case SHADER_UNIFORM_IVEC2: glUniform2iv(op.location, 1, i); break;
        case SHADER_UNIFORM_IVEC3: glUniform3iv(op.location, 1, i); break;
        case SHADER_UNIFORM_IVEC4: glUniform4iv(op.location, 1, i); break;
        default: break;
    }
}

}  // namespace rlp

extern "C" {

Shader LoadShader(const char *vsFileName, const char *fsFileName)
{
    if (!rlp::GlReady()) {
        TraceLog(LOG_WARNING, "SHADER: Cannot load shaders before the window is open");
        return Shader{0, nullptr};
    }
    std::optional<std::string> vertex, fragment;
    if (vsFileName) vertex = readText(vsFileName);
    if (fsFileName) fragment = readText(fsFileName);
    if (!vertex && !fragment) return defaultShader();  // nothing usable: the default stands in

    GLuint program = link(vertex ? vertex->c_str() : kDefaultVertex, fragment ? fragment->c_str() : kDefaultFragment);
    if (program == 0) {
        TraceLog(LOG_WARNING, "SHADER: Failed to load custom shader code, using default shader");
        return defaultShader();
    }
    g_loadedLocs.push_back(makeLocations(program));
    rlp::FrameInvalidate();  // a new program may take a freed one's id
    return Shader{program, g_loadedLocs.back()};
}

bool IsShaderValid(Shader shader) { return shader.id > 0 && shader.locs != nullptr; }

void UnloadShader(Shader shader)
{
    if (!rlp::GlReady() || shader.id == 0 || shader.id == g_default.id) return;
    const auto loaded = std::find(g_loadedLocs.begin(), g_loadedLocs.end(), shader.locs);
    if (loaded == g_loadedLocs.end()) return;  // not ours, or unloaded already
    rlp::BatchSetShader(0, nullptr);
    rlp::FrameSync();
    glDeleteProgram(shader.id);
    std::free(shader.locs);
    g_loadedLocs.erase(loaded);
}

int GetShaderLocation(Shader shader, const char *uniformName)
{
    if (!rlp::GlReady() || shader.id == 0 || uniformName == nullptr) return -1;
    return glGetUniformLocation(shader.id, uniformName);
}

void SetShaderValue(Shader shader, int locIndex, const void *value, int uniformType)
{
    if (!rlp::GlReady() || shader.id == 0 || locIndex < 0 || value == nullptr) return;
    static const std::size_t sizes[] = {4, 8, 12, 16, 4, 8, 12, 16, 4};
    if (uniformType < 0 || uniformType >= int(sizeof sizes / sizeof sizes[0])) {
        TraceLog(LOG_WARNING, "SHADER: Unknown uniform type %i", uniformType);
        return;
    }
    // Draws already queued were made with the old value.
    rlp::BatchFlush();
    rlp::FrameOp op{};
    op.kind = rlp::FrameOpKind::Uniform;
    op.program = shader.id;
    op.location = locIndex;
    op.uniformType = uniformType;
    std::memcpy(op.values, value, sizes[uniformType]);
    rlp::FrameRecord(op);
}

void BeginShaderMode(Shader shader) { rlp::BatchSetShader(shader.id, shader.locs); }

void EndShaderMode(void) { rlp::BatchSetShader(0, nullptr); }

}  // extern "C"
