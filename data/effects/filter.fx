// Two-pass smoothing: a nine-tap Gaussian across (_pass 0) then down (_pass 1). The taps
// lie delta * sqrt(alpha) * scale / 2 apart; mask chooses, per channel, how much of the
// smoothed image replaces the original.
.param ps _pass c0 1
.param ps alpha c1 1
.param ps delta c2 1
.param ps scale c3 1
.param ps mask c4 4
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
def c11, 0.2270, 0.1945, 0.1216, 0.0540
def c12, 0.0162, 2.0, 3.0, 4.0
dcl_texcoord v0.xy
dcl_2d s0
// step length: delta * sqrt(alpha) * scale * 0.5, along x or y
max r0.x, c1.x, c10.z
rsq r0.y, r0.x
rcp r0.y, r0.y
cmp r0.y, -r0.x, c10.z, r0.y    // sqrt(0) is 0, not rcp(rsq(0))
mul r0.y, r0.y, c2.x
mul r0.y, r0.y, c3.x
mul r0.y, r0.y, c10.x
add r1.x, c10.y, -c0.x          // (1 - _pass, _pass) is the direction
mov r1.y, c0.x
mul r1.xy, r1, r0.y             // one step
texld r2, v0, s0
mov r7, r2                      // the original
mul r3, r2, c11.x
add r4.xy, v0, r1
texld r5, r4, s0
mad r3, r5, c11.y, r3
add r4.xy, v0, -r1
texld r5, r4, s0
mad r3, r5, c11.y, r3
mad r4.xy, r1, c12.y, v0
texld r5, r4, s0
mad r3, r5, c11.z, r3
mad r4.xy, -r1, c12.y, v0
texld r5, r4, s0
mad r3, r5, c11.z, r3
mad r4.xy, r1, c12.z, v0
texld r5, r4, s0
mad r3, r5, c11.w, r3
mad r4.xy, -r1, c12.z, v0
texld r5, r4, s0
mad r3, r5, c11.w, r3
mad r4.xy, r1, c12.w, v0
texld r5, r4, s0
mad r3, r5, c12.x, r3
mad r4.xy, -r1, c12.w, v0
texld r5, r4, s0
mad r3, r5, c12.x, r3
lrp oC0, c4, r3, r7
