// Weaves two field pictures into one frame: the first, third, ... line from "tex_odd",
// the second, fourth, ... from "tex_even". The screen quad's third coordinate pair gives
// the line in pixels.
texture tex_odd;
texture tex_even;
sampler s_odd = sampler_state {
    Texture = <tex_odd>;
    MinFilter = POINT; MagFilter = POINT; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};
sampler s_even = sampler_state {
    Texture = <tex_even>;
    MinFilter = POINT; MagFilter = POINT; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};

pixelshader ps_weave
{
    bind s_odd s0;
    bind s_even s1;
    asm {
        ps_2_0
        def c0, 0.5, 0, 0, 0
        dcl t0
        dcl t2
        dcl_2d s0
        dcl_2d s1
        // At a pixel centre the line is k + 0.5: frac(line / 2) is 0.25 on lines 0, 2, 4, ...
        mul r0.x, t2.y, c0.x
        frc r0.x, r0.x
        add r0.x, r0.x, -c0.x
        texld r1, t0, s0
        texld r2, t0, s1
        cmp r3, r0.x, r2, r1
        mov oC0, r3
    }
}

technique Fields2Frame
{
    pass Weave
    {
        VertexShader = NULL;
        PixelShader = ps_weave;
        AlphaBlendEnable = FALSE;
    }
}
