; portrw.asm - one instruction of every kind the port rewrite changes or
; must leave alone, for as31: direct operands (P0, P2, P1 and IP), bit
; operands (P2.3, P1.7, P0.2, an IP bit) and a jump whose address bytes
; look like ports.  Input for the loaders, not meant to run.

	.org	0x0000
start:	mov	p0, #0x12		; 75 80 12
	setb	p2.3			; D2 A3
	mov	ip, p1			; 85 90 B8 (as31 puts the source first)
	clr	p1.7			; C2 97
	mov	p2, p0			; 85 80 A0
self:	jb	p0.2, self		; 20 82 FD
	setb	0xBC			; D2 BC (an IP bit)
	ljmp	far			; 02 00 30

	.org	0x0030
far:	nop				; 00
	sjmp	far			; 80 FD
