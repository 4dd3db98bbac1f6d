// raylib.h — the part of the raylib 5.5 API that Tallowfen uses, implemented by
// this folder's platform layer on GLFW, OpenGL 3.3, stb_image, PulseAudio and
// libsndfile. Declarations, types and constants follow raylib 5.5 exactly, so
// game code compiles unchanged against either this layer or a real raylib.
#ifndef RAYLIB_H
#define RAYLIB_H

#define RAYLIB_VERSION_MAJOR 5
#define RAYLIB_VERSION_MINOR 5
#define RAYLIB_VERSION_PATCH 0
#define RAYLIB_VERSION "5.5"

#define RLAPI

#ifndef PI
#define PI 3.14159265358979323846f
#endif
#ifndef DEG2RAD
#define DEG2RAD (PI / 180.0f)
#endif
#ifndef RAD2DEG
#define RAD2DEG (180.0f / PI)
#endif

#if defined(__cplusplus)
#define CLITERAL(type) type
#else
#define CLITERAL(type) (type)
#endif

#include <stdarg.h>  // va_list, for TraceLogCallback

#if !defined(__cplusplus)
#include <stdbool.h>
#endif

// clang-format off
#define LIGHTGRAY CLITERAL(Color){200, 200, 200, 255}
#define GRAY CLITERAL(Color){130, 130, 130, 255}
#define DARKGRAY CLITERAL(Color){80, 80, 80, 255}
#define YELLOW CLITERAL(Color){253, 249, 0, 255}
#define GOLD CLITERAL(Color){255, 203, 0, 255}
#define ORANGE CLITERAL(Color){255, 161, 0, 255}
#define PINK CLITERAL(Color){255, 109, 194, 255}
#define RED CLITERAL(Color){230, 41, 55, 255}
#define MAROON CLITERAL(Color){190, 33, 55, 255}
#define GREEN CLITERAL(Color){0, 228, 48, 255}
#define LIME CLITERAL(Color){0, 158, 47, 255}
#define DARKGREEN CLITERAL(Color){0, 117, 44, 255}
#define SKYBLUE CLITERAL(Color){102, 191, 255, 255}
#define BLUE CLITERAL(Color){0, 121, 241, 255}
#define DARKBLUE CLITERAL(Color){0, 82, 172, 255}
#define PURPLE CLITERAL(Color){200, 122, 255, 255}
#define VIOLET CLITERAL(Color){135, 60, 190, 255}
#define DARKPURPLE CLITERAL(Color){112, 31, 126, 255}
#define BEIGE CLITERAL(Color){211, 176, 131, 255}
#define BROWN CLITERAL(Color){127, 106, 79, 255}
#define DARKBROWN CLITERAL(Color){76, 63, 47, 255}
#define WHITE CLITERAL(Color){255, 255, 255, 255}
#define BLACK CLITERAL(Color){0, 0, 0, 255}
#define BLANK CLITERAL(Color){0, 0, 0, 0}
#define MAGENTA CLITERAL(Color){255, 0, 255, 255}
#define RAYWHITE CLITERAL(Color){245, 245, 245, 255}
// clang-format on

typedef struct Vector2 {
    float x;
    float y;
} Vector2;

typedef struct Vector3 {
    float x;
    float y;
    float z;
} Vector3;

typedef struct Vector4 {
    float x;
    float y;
    float z;
    float w;
} Vector4;

typedef struct Matrix {
    float m0, m4, m8, m12;
    float m1, m5, m9, m13;
    float m2, m6, m10, m14;
    float m3, m7, m11, m15;
} Matrix;

typedef struct Color {
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;
} Color;

typedef struct Rectangle {
    float x;
    float y;
    float width;
    float height;
} Rectangle;

typedef struct Image {
    void *data;
    int width;
    int height;
    int mipmaps;
    int format;
} Image;

typedef struct Texture {
    unsigned int id;
    int width;
    int height;
    int mipmaps;
    int format;
} Texture;
typedef Texture Texture2D;

typedef struct RenderTexture {
    unsigned int id;
    Texture texture;
    Texture depth;
} RenderTexture;
typedef RenderTexture RenderTexture2D;

typedef struct Camera2D {
    Vector2 offset;
    Vector2 target;
    float rotation;
    float zoom;
} Camera2D;

typedef struct Shader {
    unsigned int id;
    int *locs;
} Shader;

typedef struct rAudioBuffer rAudioBuffer;
typedef struct rAudioProcessor rAudioProcessor;

typedef struct AudioStream {
    rAudioBuffer *buffer;
    rAudioProcessor *processor;
    unsigned int sampleRate;
    unsigned int sampleSize;
    unsigned int channels;
} AudioStream;

typedef struct Sound {
    AudioStream stream;
    unsigned int frameCount;
} Sound;

typedef struct Music {
    AudioStream stream;
    unsigned int frameCount;
    bool looping;
    int ctxType;
    void *ctxData;
} Music;

typedef struct AutomationEvent {
    unsigned int frame;
    unsigned int type;
    int params[4];
} AutomationEvent;

typedef enum {
    FLAG_VSYNC_HINT = 0x00000040,
    FLAG_FULLSCREEN_MODE = 0x00000002,
    FLAG_WINDOW_RESIZABLE = 0x00000004,
    FLAG_WINDOW_UNDECORATED = 0x00000008,
    FLAG_WINDOW_HIDDEN = 0x00000080,
    FLAG_WINDOW_MINIMIZED = 0x00000200,
    FLAG_WINDOW_MAXIMIZED = 0x00000400,
    FLAG_WINDOW_UNFOCUSED = 0x00000800,
    FLAG_WINDOW_TOPMOST = 0x00001000,
    FLAG_WINDOW_ALWAYS_RUN = 0x00000100,
    FLAG_WINDOW_TRANSPARENT = 0x00000010,
    FLAG_WINDOW_HIGHDPI = 0x00002000,
    FLAG_WINDOW_MOUSE_PASSTHROUGH = 0x00004000,
    FLAG_BORDERLESS_WINDOWED_MODE = 0x00008000,
    FLAG_MSAA_4X_HINT = 0x00000020,
    FLAG_INTERLACED_HINT = 0x00010000
} ConfigFlags;

typedef enum {
    LOG_ALL = 0,
    LOG_TRACE,
    LOG_DEBUG,
    LOG_INFO,
    LOG_WARNING,
    LOG_ERROR,
    LOG_FATAL,
    LOG_NONE
} TraceLogLevel;

// Receives every log message at or above the level set by SetTraceLogLevel,
// unformatted; while one is set, TraceLog prints nothing itself.
typedef void (*TraceLogCallback)(int logLevel, const char *text, va_list args);

// Sees `frames` interleaved stereo float frames and may change them in place.
typedef void (*AudioCallback)(void *bufferData, unsigned int frames);

typedef enum {
    KEY_NULL = 0,
    KEY_APOSTROPHE = 39,
    KEY_COMMA = 44,
    KEY_MINUS = 45,
    KEY_PERIOD = 46,
    KEY_SLASH = 47,
    KEY_ZERO = 48,
    KEY_ONE = 49,
    KEY_TWO = 50,
    KEY_THREE = 51,
    KEY_FOUR = 52,
    KEY_FIVE = 53,
    KEY_SIX = 54,
    KEY_SEVEN = 55,
    KEY_EIGHT = 56,
    KEY_NINE = 57,
    KEY_SEMICOLON = 59,
    KEY_EQUAL = 61,
    KEY_A = 65,
    KEY_B = 66,
    KEY_C = 67,
    KEY_D = 68,
    KEY_E = 69,
    KEY_F = 70,
    KEY_G = 71,
    KEY_H = 72,
    KEY_I = 73,
    KEY_J = 74,
    KEY_K = 75,
    KEY_L = 76,
    KEY_M = 77,
    KEY_N = 78,
    KEY_O = 79,
    KEY_P = 80,
    KEY_Q = 81,
    KEY_R = 82,
    KEY_S = 83,
    KEY_T = 84,
    KEY_U = 85,
    KEY_V = 86,
    KEY_W = 87,
    KEY_X = 88,
    KEY_Y = 89,
    KEY_Z = 90,
    KEY_LEFT_BRACKET = 91,
    KEY_BACKSLASH = 92,
    KEY_RIGHT_BRACKET = 93,
    KEY_GRAVE = 96,
    KEY_SPACE = 32,
    KEY_ESCAPE = 256,
    KEY_ENTER = 257,
    KEY_TAB = 258,
    KEY_BACKSPACE = 259,
    KEY_INSERT = 260,
    KEY_DELETE = 261,
    KEY_RIGHT = 262,
    KEY_LEFT = 263,
    KEY_DOWN = 264,
    KEY_UP = 265,
    KEY_PAGE_UP = 266,
    KEY_PAGE_DOWN = 267,
    KEY_HOME = 268,
    KEY_END = 269,
    KEY_CAPS_LOCK = 280,
    KEY_SCROLL_LOCK = 281,
    KEY_NUM_LOCK = 282,
    KEY_PRINT_SCREEN = 283,
    KEY_PAUSE = 284,
    KEY_F1 = 290,
    KEY_F2 = 291,
    KEY_F3 = 292,
    KEY_F4 = 293,
    KEY_F5 = 294,
    KEY_F6 = 295,
    KEY_F7 = 296,
    KEY_F8 = 297,
    KEY_F9 = 298,
    KEY_F10 = 299,
    KEY_F11 = 300,
    KEY_F12 = 301,
    KEY_LEFT_SHIFT = 340,
    KEY_LEFT_CONTROL = 341,
    KEY_LEFT_ALT = 342,
    KEY_LEFT_SUPER = 343,
    KEY_RIGHT_SHIFT = 344,
    KEY_RIGHT_CONTROL = 345,
    KEY_RIGHT_ALT = 346,
    KEY_RIGHT_SUPER = 347,
    KEY_KB_MENU = 348,
    KEY_KP_0 = 320,
    KEY_KP_1 = 321,
    KEY_KP_2 = 322,
    KEY_KP_3 = 323,
    KEY_KP_4 = 324,
    KEY_KP_5 = 325,
    KEY_KP_6 = 326,
    KEY_KP_7 = 327,
    KEY_KP_8 = 328,
    KEY_KP_9 = 329,
    KEY_KP_DECIMAL = 330,
    KEY_KP_DIVIDE = 331,
    KEY_KP_MULTIPLY = 332,
    KEY_KP_SUBTRACT = 333,
    KEY_KP_ADD = 334,
    KEY_KP_ENTER = 335,
    KEY_KP_EQUAL = 336
} KeyboardKey;

typedef enum {
    MOUSE_BUTTON_LEFT = 0,
    MOUSE_BUTTON_RIGHT = 1,
    MOUSE_BUTTON_MIDDLE = 2,
    MOUSE_BUTTON_SIDE = 3,
    MOUSE_BUTTON_EXTRA = 4,
    MOUSE_BUTTON_FORWARD = 5,
    MOUSE_BUTTON_BACK = 6
} MouseButton;

typedef enum {
    GAMEPAD_BUTTON_UNKNOWN = 0,
    GAMEPAD_BUTTON_LEFT_FACE_UP,
    GAMEPAD_BUTTON_LEFT_FACE_RIGHT,
    GAMEPAD_BUTTON_LEFT_FACE_DOWN,
    GAMEPAD_BUTTON_LEFT_FACE_LEFT,
    GAMEPAD_BUTTON_RIGHT_FACE_UP,
    GAMEPAD_BUTTON_RIGHT_FACE_RIGHT,
    GAMEPAD_BUTTON_RIGHT_FACE_DOWN,
    GAMEPAD_BUTTON_RIGHT_FACE_LEFT,
    GAMEPAD_BUTTON_LEFT_TRIGGER_1,
    GAMEPAD_BUTTON_LEFT_TRIGGER_2,
    GAMEPAD_BUTTON_RIGHT_TRIGGER_1,
    GAMEPAD_BUTTON_RIGHT_TRIGGER_2,
    GAMEPAD_BUTTON_MIDDLE_LEFT,
    GAMEPAD_BUTTON_MIDDLE,
    GAMEPAD_BUTTON_MIDDLE_RIGHT,
    GAMEPAD_BUTTON_LEFT_THUMB,
    GAMEPAD_BUTTON_RIGHT_THUMB
} GamepadButton;

typedef enum {
    GAMEPAD_AXIS_LEFT_X = 0,
    GAMEPAD_AXIS_LEFT_Y = 1,
    GAMEPAD_AXIS_RIGHT_X = 2,
    GAMEPAD_AXIS_RIGHT_Y = 3,
    GAMEPAD_AXIS_LEFT_TRIGGER = 4,
    GAMEPAD_AXIS_RIGHT_TRIGGER = 5
} GamepadAxis;

typedef enum {
    PIXELFORMAT_UNCOMPRESSED_GRAYSCALE = 1,
    PIXELFORMAT_UNCOMPRESSED_GRAY_ALPHA,
    PIXELFORMAT_UNCOMPRESSED_R5G6B5,
    PIXELFORMAT_UNCOMPRESSED_R8G8B8,
    PIXELFORMAT_UNCOMPRESSED_R5G5B5A1,
    PIXELFORMAT_UNCOMPRESSED_R4G4B4A4,
    PIXELFORMAT_UNCOMPRESSED_R8G8B8A8
} PixelFormat;

typedef enum {
    SHADER_UNIFORM_FLOAT = 0,
    SHADER_UNIFORM_VEC2,
    SHADER_UNIFORM_VEC3,
    SHADER_UNIFORM_VEC4,
    SHADER_UNIFORM_INT,
    SHADER_UNIFORM_IVEC2,
    SHADER_UNIFORM_IVEC3,
    SHADER_UNIFORM_IVEC4,
    SHADER_UNIFORM_SAMPLER2D
} ShaderUniformDataType;

#if defined(__cplusplus)
extern "C" {
#endif

// Window and frame
RLAPI void InitWindow(int width, int height, const char *title);
RLAPI void CloseWindow(void);
RLAPI bool WindowShouldClose(void);
RLAPI bool IsWindowReady(void);
RLAPI void SetWindowState(unsigned int flags);
RLAPI void SetConfigFlags(unsigned int flags);
RLAPI void SetWindowSize(int width, int height);
RLAPI int GetScreenWidth(void);
RLAPI int GetScreenHeight(void);
RLAPI void SetTargetFPS(int fps);
RLAPI float GetFrameTime(void);
RLAPI double GetTime(void);
RLAPI int GetFPS(void);
RLAPI void BeginDrawing(void);
RLAPI void EndDrawing(void);
RLAPI void ClearBackground(Color color);
RLAPI void DrawFPS(int posX, int posY);
RLAPI void SetTraceLogLevel(int logLevel);
RLAPI void TraceLog(int logLevel, const char *text, ...);
RLAPI void SetTraceLogCallback(TraceLogCallback callback);
RLAPI void SetExitKey(int key);
RLAPI void TakeScreenshot(const char *fileName);
RLAPI bool IsWindowState(unsigned int flag);
RLAPI bool IsWindowFocused(void);
RLAPI bool IsWindowMinimized(void);
RLAPI void ToggleBorderlessWindowed(void);
RLAPI int GetCurrentMonitor(void);
RLAPI int GetMonitorWidth(int monitor);
RLAPI int GetMonitorHeight(int monitor);

// Files and directories
RLAPI const char *GetApplicationDirectory(void);
RLAPI bool ChangeDirectory(const char *dir);
RLAPI bool DirectoryExists(const char *dirPath);
RLAPI bool FileExists(const char *fileName);

// Render targets, camera, shaders
RLAPI RenderTexture2D LoadRenderTexture(int width, int height);
RLAPI bool IsRenderTextureValid(RenderTexture2D target);
RLAPI void UnloadRenderTexture(RenderTexture2D target);
RLAPI void BeginTextureMode(RenderTexture2D target);
RLAPI void EndTextureMode(void);
RLAPI void BeginMode2D(Camera2D camera);
RLAPI void EndMode2D(void);
RLAPI Vector2 GetScreenToWorld2D(Vector2 position, Camera2D camera);
RLAPI Vector2 GetWorldToScreen2D(Vector2 position, Camera2D camera);
RLAPI Shader LoadShader(const char *vsFileName, const char *fsFileName);
RLAPI bool IsShaderValid(Shader shader);
RLAPI void UnloadShader(Shader shader);
RLAPI int GetShaderLocation(Shader shader, const char *uniformName);
RLAPI void SetShaderValue(Shader shader, int locIndex, const void *value, int uniformType);
RLAPI void BeginShaderMode(Shader shader);
RLAPI void EndShaderMode(void);

// Images and textures
RLAPI Image LoadImageFromTexture(Texture2D texture);
RLAPI void UnloadImage(Image image);
RLAPI Color GetImageColor(Image image, int x, int y);
RLAPI void ImageFlipVertical(Image *image);
RLAPI void ImageResizeNN(Image *image, int newWidth, int newHeight);
RLAPI bool ExportImage(Image image, const char *fileName);
RLAPI Texture2D LoadTextureFromImage(Image image);
RLAPI void UpdateTexture(Texture2D texture, const void *pixels);
RLAPI Texture2D LoadTexture(const char *fileName);
RLAPI bool IsTextureValid(Texture2D texture);
RLAPI void UnloadTexture(Texture2D texture);
RLAPI void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation,
                          Color tint);

// Shapes, text and helpers
RLAPI void DrawRectangle(int posX, int posY, int width, int height, Color color);
RLAPI void DrawRectanglePro(Rectangle rec, Vector2 origin, float rotation, Color color);
RLAPI void DrawCircle(int centerX, int centerY, float radius, Color color);
RLAPI void DrawText(const char *text, int posX, int posY, int fontSize, Color color);
RLAPI int MeasureText(const char *text, int fontSize);
RLAPI Color ColorAlpha(Color color, float alpha);
RLAPI bool CheckCollisionRecs(Rectangle rec1, Rectangle rec2);
RLAPI int GetRandomValue(int min, int max);
RLAPI void SetRandomSeed(unsigned int seed);

// Input
RLAPI bool IsKeyDown(int key);
RLAPI bool IsKeyPressed(int key);
RLAPI bool IsKeyReleased(int key);
RLAPI int GetCharPressed(void);
RLAPI bool IsMouseButtonDown(int button);
RLAPI bool IsMouseButtonPressed(int button);
RLAPI Vector2 GetMousePosition(void);
RLAPI bool IsGamepadAvailable(int gamepad);
RLAPI bool IsGamepadButtonPressed(int gamepad, int button);
RLAPI bool IsGamepadButtonDown(int gamepad, int button);
RLAPI bool IsGamepadButtonReleased(int gamepad, int button);
RLAPI float GetGamepadAxisMovement(int gamepad, int axis);
RLAPI int SetGamepadMappings(const char *mappings);
RLAPI void PlayAutomationEvent(AutomationEvent event);

// Audio
RLAPI void InitAudioDevice(void);
RLAPI void CloseAudioDevice(void);
RLAPI bool IsAudioDeviceReady(void);
RLAPI Sound LoadSound(const char *fileName);
RLAPI bool IsSoundValid(Sound sound);
RLAPI void UnloadSound(Sound sound);
RLAPI void PlaySound(Sound sound);
RLAPI void StopSound(Sound sound);
RLAPI bool IsSoundPlaying(Sound sound);
RLAPI Music LoadMusicStream(const char *fileName);
RLAPI bool IsMusicValid(Music music);
RLAPI void UnloadMusicStream(Music music);
RLAPI void PlayMusicStream(Music music);
RLAPI bool IsMusicStreamPlaying(Music music);
RLAPI void UpdateMusicStream(Music music);
RLAPI void StopMusicStream(Music music);
RLAPI void PauseMusicStream(Music music);
RLAPI void ResumeMusicStream(Music music);
RLAPI void SetMusicVolume(Music music, float volume);
RLAPI void SetSoundVolume(Sound sound, float volume);
RLAPI void SetMusicPan(Music music, float pan);
RLAPI void SetSoundPan(Sound sound, float pan);
RLAPI void AttachAudioMixedProcessor(AudioCallback processor);
RLAPI void DetachAudioMixedProcessor(AudioCallback processor);
RLAPI float GetMusicTimeLength(Music music);
RLAPI float GetMusicTimePlayed(Music music);

#if defined(__cplusplus)
}
#endif

#endif  // RAYLIB_H
