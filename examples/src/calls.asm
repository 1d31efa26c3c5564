; calls.asm - a small call tree at fixed addresses, for as31.  main calls
; f five times with LCALL, f calls g twice with ACALL, then the program
; ends in a self-jump.  Run control's step-over and the trace tests rely
; on the addresses below (examples/README.md lists them); keep them when
; changing the program.

	.org	0x0000
reset:	ljmp	main

	.org	0x0100
main:	mov	sp, #0x60
	mov	r7, #5
	clr	a
loop:	lcall	f		; 0x0106, returns to 0x0109
	djnz	r7, loop
done:	sjmp	done		; 0x010B

	.org	0x0200
f:	acall	g		; 0x0200, returns to 0x0202
	acall	g
	ret

	.org	0x0280
g:	inc	a
	mov	dptr, #0x4000
	movx	@dptr, a
	ret
