// Lays a plan onto the canvas. Where the plan covers, the paint thickens (more toward
// the shape's middle and the later plans, textured by the brush), and the colour
// coordinates move to the plan's own; alpha records the plan's coverage for the colour
// pass that follows.
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
def c10, 0.5, 1.0, 0.0, 3.0
def c11, 0.3, 0.35, 0.25, 0.2
def c13, 0.4, 0.0, 0.0, 0.0
def c12, 0.15, 0.6, 0.4, 0.7
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s2
dcl_2d s5
texld r0, v0, s0                 // the canvas so far
texld r1, v0, s2                 // the shape
mul r2.xy, v0, c10.w
frc r2.xy, r2
texld r3, r2, s5                 // the brush texture
// thickness of the new paint: 0.3 + 0.35 depth + 0.2 layer, brushed
mad r4.x, r1.y, c11.y, c11.x
mad r4.x, c3.x, c11.w, r4.x
add r5.x, r3.x, -c10.x
mad r4.x, r5.x, c11.z, r4.x
// colour coordinates: green from the layer and the depth, blue from the shape
mad r4.y, c3.x, c12.y, c12.x
mad r4.y, r1.y, c13.x, r4.y
mov r4.z, r1.z
// the plan covers by its coverage times alpha (how opaque a plan's paint is)
mul r6.x, r1.x, c2.x
add_sat r6.y, r6.x, r6.x         // thickness and colour follow the coverage more firmly
lrp r7.x, r6.x, r4.x, r0.x
lrp r7.yz, r6.y, r4.yyzw, r0.yyzw
mov r7.w, r1.x
mov oC0, r7
