; The stage 0 texture at t0 times c0 (the light colour), all four channels.
ps_1_1
tex t0
mul r0, t0, c0
