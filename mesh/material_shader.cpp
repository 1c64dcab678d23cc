#include "mesh/material_shader.h"

#include "mesh/mesh.h"

namespace {

// Each text is one line of tab-separated statements. The float suffixes and
// the float/int mixes (max(x,0), pow(x,5)) are GLSL 1.20, which drivers that
// take the strict 1.10 default reject or warn about: hence the version line.
#define GLSL_VERSION "#version 120\n"

const char phongVertex[] = GLSL_VERSION
    "varying vec3 view_vec;\tvarying vec3 norm_vec;\tvarying vec3 lit_vec;\t"
    "void main(void)\t{\t"
    "gl_Position = gl_ModelViewProjectionMatrix*gl_Vertex;\t"
    "vec3 vert_mv = vec3(gl_ModelViewMatrix*gl_Vertex);\t"
    "view_vec = -vert_mv;\t"
    "norm_vec = gl_NormalMatrix*gl_Normal;\t"
    "lit_vec = gl_LightSource[0].position.xyz - vert_mv;\t"
    "gl_TexCoord[0] = gl_MultiTexCoord0;\t"
    "}";

const char phongFragment[] = GLSL_VERSION
    "uniform sampler2D tex0;\tvarying vec3 view_vec;\tvarying vec3 norm_vec;\tvarying vec3 lit_vec;\t"
    "void main(void)\t{\t"
    "vec3 pView = normalize(view_vec);\t"
    "vec3 pNorm = normalize(norm_vec);\t"
    "vec3 pLit = normalize(lit_vec);\t"
    "vec3 refl_vec = normalize(reflect( -pLit, pNorm ));\t"
    "vec3 diff = dot( pNorm, pLit ) * gl_FrontMaterial.diffuse.rgb;\t"
    "vec3 spec = pow(max(dot( refl_vec, pView ),0),gl_FrontMaterial.shininess) * gl_FrontMaterial.specular.rgb;\t"
    "vec4 tex_base = texture2D(tex0, gl_TexCoord[0].xy);\t"
    "gl_FragColor = vec4( gl_FrontMaterial.ambient.rgb + tex_base.rgb * diff + spec, tex_base.a);\t"
    "}";

// The row-vector products (v * TBN_Matrix) carry eye-space vectors into
// tangent space.
const char tangentVertexA[] = GLSL_VERSION
    "attribute vec3 mTangent;\tattribute vec3 mBinormal;\t"
    "varying vec3 g_lightVec;\tvarying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "gl_Position = gl_ModelViewProjectionMatrix*gl_Vertex;\t"
    "gl_TexCoord[0] = gl_MultiTexCoord0;\t"
    "mat3 TBN_Matrix\t= gl_NormalMatrix * mat3(mTangent, mBinormal, gl_Normal);\t"
    "vec4 mv_Vertex = gl_ModelViewMatrix * gl_Vertex;\t"
    "g_viewVec = mv_Vertex.xyz * TBN_Matrix;\t"
    "g_lightVec = (gl_LightSource[0].position.xyz - mv_Vertex.xyz) * TBN_Matrix;\t"
    "}";

const char bumpFresnelFragment[] = GLSL_VERSION
    "uniform sampler2D tex0;\tuniform sampler2D tex1;\t"
    "varying vec3 g_lightVec;\tvarying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "vec3 lightVec = normalize(g_lightVec);\t"
    "vec3 viewVec = normalize(g_viewVec);\t"
    "vec4 t2 = texture2D(tex1, gl_TexCoord[0].xy);\t"
    "vec4 tex_base = texture2D(tex0, gl_TexCoord[0].xy);\t"
    "vec3 bump\t\t= normalize(t2.rgb * 2.0f - 1.0f);\t"
    "float diffuse = dot(lightVec, bump);\t"
    "float specular = pow(clamp(dot(reflect(viewVec, bump), lightVec), 0.0f, 1.0f), gl_FrontMaterial.shininess)*t2.a;\t"
    "float fresnel = pow(1.0f - dot(bump,viewVec),5);\t"
    "gl_FragColor = vec4(gl_FrontMaterial.ambient.rgb + tex_base.rgb * gl_FrontMaterial.diffuse.rgb * diffuse"
    " + gl_FrontMaterial.specular.rgb * specular * fresnel, tex_base.a);\t"
    "}";

const char tangentVertexB[] = GLSL_VERSION
    "attribute vec3 mTangent;\tattribute vec3 mBinormal;\t"
    "varying vec3 g_lightVec;\tvarying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "gl_Position = gl_ModelViewProjectionMatrix*gl_Vertex;\t"
    "gl_TexCoord[0] = gl_MultiTexCoord0;\t"
    "mat3 TBN_Matrix\t= gl_NormalMatrix * mat3(mTangent, mBinormal, gl_Normal);\t"
    "vec4 mv_Vertex = gl_ModelViewMatrix * gl_Vertex;\t"
    "g_viewVec = mv_Vertex.xyz * TBN_Matrix;\t"
    "vec3 lightVec = gl_LightSource[0].position.xyz - mv_Vertex.xyz;\t"
    "g_lightVec = lightVec * TBN_Matrix;\t"
    "}";

const char bumpReflectFragment[] = GLSL_VERSION
    "uniform sampler2D tex0;\tuniform sampler2D tex1;\t"
    "varying vec3 g_lightVec;\tvarying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "vec3 lightVec = normalize(g_lightVec);\t"
    "vec3 viewVec = normalize(g_viewVec);\t"
    "vec4 t2 = texture2D(tex1, gl_TexCoord[0].xy);\t"
    "vec3 bump\t\t= normalize(t2.rgb * 2.0f - 1.0f);\t"
    "vec3 reflVec\t= reflect(viewVec,bump);\t"
    "vec4 tex_base = texture2D(tex0, reflVec.xy);\t"
    "float diffuse = dot(lightVec, bump);\t"
    "float specular = pow(clamp(dot(reflect(viewVec, bump), lightVec), 0.0f, 1.0f), gl_FrontMaterial.shininess)*t2.a;\t"
    "gl_FragColor = vec4(gl_FrontMaterial.ambient.rgb + tex_base.rgb * gl_FrontMaterial.diffuse.rgb * diffuse"
    " + gl_FrontMaterial.specular.rgb * specular, tex_base.a);\t"
    "}";

const char viewOnlyVertex[] = GLSL_VERSION
    "attribute vec3 mTangent;\tattribute vec3 mBinormal;\t"
    "varying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "gl_Position = gl_ModelViewProjectionMatrix*gl_Vertex;\t"
    "gl_TexCoord[0] = gl_MultiTexCoord0;\t"
    "mat3 TBN_Matrix\t= gl_NormalMatrix * mat3(mTangent, mBinormal, gl_Normal);\t"
    "vec4 mv_Vertex = gl_ModelViewMatrix * gl_Vertex;\t"
    "g_viewVec = vec3(-mv_Vertex) * TBN_Matrix;\t"
    "}";

const char reflectLayerFragment[] = GLSL_VERSION
    "uniform sampler2D tex0;\tuniform sampler2D tex1;\t"
    "varying vec3 g_viewVec;\t"
    "void main(void)\t{\t"
    "vec3 viewVec = normalize(g_viewVec);\t"
    "vec4 t2 = texture2D(tex1, gl_TexCoord[0].xy);\t"
    "vec3 bump\t\t= normalize(t2.rgb * 2.0f - 1.0f);\t"
    "vec3 reflVec\t= reflect(-viewVec,bump);\t"
    "vec4 color = texture2D(tex0, reflVec.xy);\t"
    "color.a = (1.4f-dot(bump,viewVec))*t2.a;\t"
    "gl_FragColor = color;\t"
    "}";

#undef GLSL_VERSION

}  // namespace

ShaderSources shaderSourcesOf(int32_t kind)
{
    switch (static_cast<ShaderKind>(kind)) {
    case ShaderKind::Phong: return {phongVertex, phongFragment};
    case ShaderKind::BumpFresnel: return {tangentVertexA, bumpFresnelFragment};
    case ShaderKind::BumpReflect: return {tangentVertexB, bumpReflectFragment};
    case ShaderKind::ReflectLayer: return {viewOnlyVertex, reflectLayerFragment};
    case ShaderKind::None: break;
    }
    return {nullptr, nullptr};
}

void selectShaderKind(ShaderProgram& shader, uint8_t& shaderOn, int32_t kind)
{
    // A kind without texts in the table would leave a half-set record.
    if (kind < 0 || kind > static_cast<int32_t>(ShaderKind::ReflectLayer)) return;
    const ShaderSources sources = shaderSourcesOf(kind);
    shaderOn = kind == static_cast<int32_t>(ShaderKind::None) ? 0 : 1;
    if (sources.vertex == shader.vertexSource && sources.fragment == shader.fragmentSource) return;
    shader.vertexSource = sources.vertex;
    shader.fragmentSource = sources.fragment;
    if (meshDevice.buildProgram) meshDevice.buildProgram(shader);
}

void releaseProgram(ShaderProgram& shader)
{
    // Objects are non-zero only when the card built them.
    if (meshDevice.releaseProgram) meshDevice.releaseProgram(shader);
    shader.vertexSource = nullptr;
    shader.fragmentSource = nullptr;
}
