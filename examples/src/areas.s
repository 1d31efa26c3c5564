; areas.s - names the code areas in SDCC's usual order before anything
; else is linked.  The hook entry modules must come first on the link
; line (the OMF file takes a global symbol from the first module that
; names it, and hooks.c declares the entries as externals), and without
; this module the areas they mention first (CONST, XINIT) would be
; placed after the entry area at the top of code memory.
	.module areas
	.area HOME (CODE)
	.area GSINIT0 (CODE)
	.area GSINIT1 (CODE)
	.area GSINIT2 (CODE)
	.area GSINIT3 (CODE)
	.area GSINIT4 (CODE)
	.area GSINIT5 (CODE)
	.area GSINIT (CODE)
	.area GSFINAL (CODE)
	.area CSEG (CODE)
	.area CONST (CODE)
	.area XINIT (CODE)
