// Lays a plan onto the canvas. Where the plan covers, the paint takes the plan's load
// (heavier on the later plans) worked by the brush texture, whose strokes run at an
// angle of the plan's own, and the colour coordinates move to the plan's own; alpha records
// the plan's coverage for the colour pass that follows. The shape's channels: coverage,
// colour u, colour v, depth.
.param ps atr1 c0 4
.param ps patr1 c1 4
.param ps alpha c2 1
.param ps layer c3 1
.param ps time c4 1
.param ps dev c5 1
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1
.sampler ps texSampler2 s2
.sampler ps texSampler3 s3
.sampler ps texSampler4 s4
.sampler ps texSampler5 s5

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
def c10, 0.5, 1.0, 0.0, 256.0
def c11, 0.3, 0.2, 0.9, 0.08
def c12, 0.00390625, 0.0, 0.0, 2.2
def c13, 0.159155, 6.283185, -3.141593, 0.000137
def c14, 0.62, 0.37, 0.33, 0.35
def c15, 0.001953125, -1.0, 1.0, 0.0001
def c16, 1.4, 0.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s2
dcl_2d s5
texld r0, v0, s0                 // the canvas so far
texld r1, v0, s2                 // the shape
// the brush runs at the plan's own angle, straight across the plan: a direction that
// followed the outlines pixel by pixel would turn the texture's frame about the screen's
// corner and fan its strokes out from the middle of every round shape (the surface
// turns its own strokes along the outlines, cell by cell)
mad r3.x, c4.x, c13.w, c3.x
mul r3.x, r3.x, c14.x
frc r3.x, r3.x
mad r3.x, r3.x, c13.y, c13.z
sincos r5.xy, r3.x               // the plan's own direction
// the brush texture in the frame of that direction: 2.2 tiles a screen, read between
// its texels
mul r6.xy, v0.xy, c12.w
dp2add r7.x, r6, r5.xy, c10.z
mul r5.zw, r5.xxyx, c15.xxyz
dp2add r7.y, r6, r5.zw, c10.z
mad r7.xy, c3.x, c14.xy, r7.xy
mad r7.xy, r7.xy, c10.w, -c10.x
frc r8.xy, r7.xy
add r7.xy, r7.xy, -r8.xy
mad r7.xy, r7.xy, c12.x, c15.x   // the texel's lower corner, at its middle
frc r9.xy, r7.xy
texld r10, r9, s5
add r9.xy, r7.xy, c12.xy
frc r9.xy, r9.xy
texld r11, r9, s5
add r9.xy, r7.xy, c12.yx
frc r9.xy, r9.xy
texld r12, r9, s5
add r9.xy, r7.xy, c12.x
frc r9.xy, r9.xy
texld r13, r9, s5
lrp r14.x, r8.x, r11.x, r10.x
lrp r14.y, r8.x, r13.x, r12.x
lrp r14.z, r8.y, r14.y, r14.x    // the brush's height here
// thickness: the load, 0.3 + 0.2 layer, a little more inside, worked by the brush
mad r15.x, c3.x, c11.y, c11.x
mad r15.x, r1.w, c11.w, r15.x
add r14.w, r14.z, -c10.x
mad r14.w, r14.w, c11.z, c10.y
mul r15.x, r15.x, r14.w
// the plan covers by its coverage times alpha (how opaque a plan's paint is)
mul r6.x, r1.x, c2.x
// The colour coordinates change hands across the outline within about three pixels,
// around coverage 0.35: coordinates blended over a soft outline would walk across the
// colour image from one plan's place to the other's and paint every colour lying between
// them along the edge (a rim of light, a band of another hue, a fringe). The colour pass
// then blends the two sides' colours, not their coordinates.
dsx r6.z, r1.x
dsy r6.w, r1.x
abs r6.zw, r6.zw
add r6.z, r6.z, r6.w
max r6.z, r6.z, c15.w
rcp r6.z, r6.z
mul r6.z, r6.z, c14.z            // a third of a pixel's rise climbs the whole way
max r6.z, r6.z, c16.x            // and never more gently than before
add r6.w, r1.x, -c14.w
mad_sat r6.y, r6.w, r6.z, c10.x
lrp r16.x, r6.x, r15.x, r0.x
lrp r16.yz, r6.y, r1.yyzw, r0.yyzw
mov r16.w, r1.x
mov oC0, r16
