// The OpenGL 3.3 core entry points the layer calls on a GLFW desktop, resolved
// through GLFW once a context is current, as raylib's own loader does. Each
// gl* name below is a macro for a function pointer filled by
// rlp::gl::ResolveEntryPoints.
#pragma once

// Given no APIENTRY, glcorearb.h includes all of windows.h on Windows, whose
// macros (Rectangle, DrawText, CloseWindow) clash with raylib.h. x86-64
// Windows has one calling convention, so it needs none.
#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY
#endif
#include <GL/glcorearb.h>

#define RLP_GL_FUNCTIONS(X)                                                                                            \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                                         \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                           \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                                                               \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                               \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                                     \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                                                   \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                                             \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                                     \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                                                                         \
    X(PFNGLBLENDFUNCPROC, glBlendFunc)                                                                                 \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                               \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                                                                         \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                                       \
    X(PFNGLCLEARPROC, glClear)                                                                                         \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                                               \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                                         \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                                         \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                           \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                                         \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                                               \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                                         \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                                                             \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                                           \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                                                                       \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                                                               \
    X(PFNGLDISABLEPROC, glDisable)                                                                                     \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                                                               \
    X(PFNGLENABLEPROC, glEnable)                                                                                       \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                                     \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                                     \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                                           \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                                     \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                                                   \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                                             \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                                     \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)                                                                 \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                                             \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                                                 \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                           \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                                                   \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                                             \
    X(PFNGLGETTEXIMAGEPROC, glGetTexImage)                                                                             \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                                                                         \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                               \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                             \
    X(PFNGLMAPBUFFERRANGEPROC, glMapBufferRange)                                                                       \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                                             \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                                               \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                                             \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                           \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                                               \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                                         \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                                                               \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                                 \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                                               \
    X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                                                               \
    X(PFNGLUNIFORM2IVPROC, glUniform2iv)                                                                               \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                                                               \
    X(PFNGLUNIFORM3IVPROC, glUniform3iv)                                                                               \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                                                 \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                                               \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                                                               \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                                                   \
    X(PFNGLUNMAPBUFFERPROC, glUnmapBuffer)                                                                             \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                               \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                                             \
    X(PFNGLVIEWPORTPROC, glViewport)

#define RLP_GL_DECLARE(type, name) extern type rlp_##name;
RLP_GL_FUNCTIONS(RLP_GL_DECLARE)
#undef RLP_GL_DECLARE

#define glActiveTexture rlp_glActiveTexture
#define glAttachShader rlp_glAttachShader
#define glBindAttribLocation rlp_glBindAttribLocation
#define glBindBuffer rlp_glBindBuffer
#define glBindFramebuffer rlp_glBindFramebuffer
#define glBindRenderbuffer rlp_glBindRenderbuffer
#define glBindTexture rlp_glBindTexture
#define glBindVertexArray rlp_glBindVertexArray
#define glBlendEquation rlp_glBlendEquation
#define glBlendFunc rlp_glBlendFunc
#define glBufferData rlp_glBufferData
#define glBufferSubData rlp_glBufferSubData
#define glCheckFramebufferStatus rlp_glCheckFramebufferStatus
#define glClear rlp_glClear
#define glClearColor rlp_glClearColor
#define glCompileShader rlp_glCompileShader
#define glCreateProgram rlp_glCreateProgram
#define glCreateShader rlp_glCreateShader
#define glDeleteBuffers rlp_glDeleteBuffers
#define glDeleteFramebuffers rlp_glDeleteFramebuffers
#define glDeleteProgram rlp_glDeleteProgram
#define glDeleteRenderbuffers rlp_glDeleteRenderbuffers
#define glDeleteShader rlp_glDeleteShader
#define glDeleteTextures rlp_glDeleteTextures
#define glDeleteVertexArrays rlp_glDeleteVertexArrays
#define glDisable rlp_glDisable
#define glDrawArrays rlp_glDrawArrays
#define glEnable rlp_glEnable
#define glEnableVertexAttribArray rlp_glEnableVertexAttribArray
#define glFramebufferRenderbuffer rlp_glFramebufferRenderbuffer
#define glFramebufferTexture2D rlp_glFramebufferTexture2D
#define glGenBuffers rlp_glGenBuffers
#define glGenFramebuffers rlp_glGenFramebuffers
#define glGenRenderbuffers rlp_glGenRenderbuffers
#define glGenTextures rlp_glGenTextures
#define glGenVertexArrays rlp_glGenVertexArrays
#define glGetAttribLocation rlp_glGetAttribLocation
#define glGetIntegerv rlp_glGetIntegerv
#define glGetProgramInfoLog rlp_glGetProgramInfoLog
#define glGetProgramiv rlp_glGetProgramiv
#define glGetShaderInfoLog rlp_glGetShaderInfoLog
#define glGetShaderiv rlp_glGetShaderiv
#define glGetTexImage rlp_glGetTexImage
#define glTexSubImage2D rlp_glTexSubImage2D
#define glGetUniformLocation rlp_glGetUniformLocation
#define glLinkProgram rlp_glLinkProgram
#define glMapBufferRange rlp_glMapBufferRange
#define glPixelStorei rlp_glPixelStorei
#define glReadPixels rlp_glReadPixels
#define glRenderbufferStorage rlp_glRenderbufferStorage
#define glShaderSource rlp_glShaderSource
#define glTexImage2D rlp_glTexImage2D
#define glTexParameteri rlp_glTexParameteri
#define glUniform1fv rlp_glUniform1fv
#define glUniform1i rlp_glUniform1i
#define glUniform1iv rlp_glUniform1iv
#define glUniform2fv rlp_glUniform2fv
#define glUniform2iv rlp_glUniform2iv
#define glUniform3fv rlp_glUniform3fv
#define glUniform3iv rlp_glUniform3iv
#define glUniform4f rlp_glUniform4f
#define glUniform4fv rlp_glUniform4fv
#define glUniform4iv rlp_glUniform4iv
#define glUniformMatrix4fv rlp_glUniformMatrix4fv
#define glUnmapBuffer rlp_glUnmapBuffer
#define glUseProgram rlp_glUseProgram
#define glVertexAttribPointer rlp_glVertexAttribPointer
#define glViewport rlp_glViewport
