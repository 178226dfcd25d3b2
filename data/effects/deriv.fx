// Relief from the derivative of an image. The destination keeps its colour; its alpha
// becomes the light a surface shaped like the source's red channel would catch from the
// upper left (s < 0) or the lower right (s > 0): 0.5 where the source is flat.
.param ps s c0 1
.param ps m c1 1
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1

.vertex
vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord o1
mov o0, v0
mov o1, v1

.pixel
ps_3_0
def c10, 0.5, 1.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
mad r0.xy, c0.x, c10.y, v0      // uv + (s, s)
texld r1, r0, s0
mad r0.xy, -c0.x, c10.y, v0     // uv - (s, s)
texld r2, r0, s0
add r3.x, r1.x, -r2.x
mad_sat r3.x, r3.x, c1.x, c10.x
texld r4, v0, s1
mov r4.w, r3.x
mov oC0, r4
