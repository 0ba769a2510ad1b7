; Opaque black.
ps_1_1
def c0, 0, 0, 0, 1
mov r0, c0
