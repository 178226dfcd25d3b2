#include "gl_harness.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>

namespace bw::bytecode::testing {
namespace {

bool compile(GLuint shader, const std::string& source, std::string& error) {
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return true;
  char log[4096] = {};
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  error = log;
  return false;
}

}  // namespace

GlHarness* GlHarness::get(std::string& why) {
  static GlHarness* harness = [] {
    auto* h = new GlHarness;
    std::string reason;
    if (!h->init(reason)) {
      delete h;
      return static_cast<GlHarness*>(nullptr);
    }
    return h;
  }();
  if (!harness) why = "no EGL surfaceless OpenGL 3.3 core context on this machine";
  return harness;
}

bool GlHarness::init(std::string& why) {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    why = "EGL_MESA_platform_surfaceless missing";
    return false;
  }
  EGLDisplay display =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
  if (!eglBindAPI(EGL_OPENGL_API)) return false;
  const EGLint config_attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                      EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  eglChooseConfig(display, config_attributes, &config, 1, &count);
  const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                       3,
                                       EGL_CONTEXT_MINOR_VERSION,
                                       3,
                                       EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                       EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                       EGL_NONE};
  EGLContext context = eglCreateContext(display, count > 0 ? config : EGL_NO_CONFIG_KHR,
                                        EGL_NO_CONTEXT, context_attributes);
  if (context == EGL_NO_CONTEXT) return false;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return false;
  // The device's quad: position and texture coordinate, 16 bytes per vertex.
  const float quad[] = {-1, 1, 0, 0, -1, -1, 0, 1, 1, 1, 1, 0, 1, -1, 1, 1};
  glGenVertexArrays(1, &vao_);
  glBindVertexArray(vao_);
  glGenBuffers(1, &vbo_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(8));
  glEnableVertexAttribArray(0);
  glEnableVertexAttribArray(1);
  return glGetError() == GL_NO_ERROR;
}

bool GlHarness::draw(const GlslProgram& program, int width, int height,
                     const std::map<std::string, std::vector<float>>& uniforms,
                     const std::vector<TestTexture>& textures, float clear,
                     std::vector<float>& pixels, std::string& error) {
  GLuint vs = glCreateShader(GL_VERTEX_SHADER);
  GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
  GLuint prog = glCreateProgram();
  bool ok = compile(vs, program.vertex, error) && compile(fs, program.fragment, error);
  if (ok) {
    glAttachShader(prog, vs);
    glAttachShader(prog, fs);
    glLinkProgram(prog);
    GLint linked = 0;
    glGetProgramiv(prog, GL_LINK_STATUS, &linked);
    if (!linked) {
      char log[4096] = {};
      glGetProgramInfoLog(prog, sizeof log, nullptr, log);
      error = log;
      ok = false;
    }
  }
  std::vector<GLuint> names(textures.size());
  GLuint target = 0, framebuffer = 0;
  if (ok) {
    glUseProgram(prog);
    const float identity[] = {1, 1, 0, 0};
    glUniform4fv(glGetUniformLocation(prog, "bw_position"), 1, identity);
    for (const auto& [name, values] : uniforms) {
      const GLint at = glGetUniformLocation(prog, name.c_str());
      if (values.size() == 1)
        glUniform1f(at, values[0]);
      else
        glUniform4fv(at, 1, values.data());
    }
    for (const GlslSampler& s : program.ps_samplers) {
      glUniform1i(glGetUniformLocation(prog, s.uniform.c_str()), static_cast<GLint>(s.reg));
    }
    for (const GlslSampler& s : program.vs_samplers) {
      glUniform1i(glGetUniformLocation(prog, s.uniform.c_str()), static_cast<GLint>(s.reg));
    }
    glGenTextures(static_cast<GLsizei>(names.size()), names.data());
    for (std::size_t i = 0; i < textures.size(); ++i) {
      const TestTexture& t = textures[i];
      glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(t.unit));
      glBindTexture(GL_TEXTURE_2D, names[i]);
      for (std::size_t level = 0; level < t.levels.size(); ++level) {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA32F,
                     std::max(1, t.width >> level), std::max(1, t.height >> level), 0, GL_RGBA,
                     GL_FLOAT, t.levels[level].data());
      }
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(t.levels.size()) - 1);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glGenTextures(1, &target);
    glActiveTexture(GL_TEXTURE15);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    glViewport(0, 0, width, height);
    glClearColor(clear, clear, clear, clear);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    pixels.assign(static_cast<std::size_t>(width) * height * 4, 0.0f);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
    const GLenum status = glGetError();
    if (status != GL_NO_ERROR) {
      error = "GL error " + std::to_string(status);
      ok = false;
    }
  }
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &target);
  glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
  glDeleteProgram(prog);
  glDeleteShader(vs);
  glDeleteShader(fs);
  return ok;
}

}  // namespace bw::bytecode::testing
