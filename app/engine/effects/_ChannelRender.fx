// Draws a channel's texture onto the bound screen quad. Vertices go through the fixed
// pipeline with the transforms the render engine sets, so the pass needs no matrices.
texture _tex0;
sampler s_tex0 = sampler_state {
    Texture = <_tex0>;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};

pixelshader ps_copy
{
    bind s_tex0 s0;
    asm {
        ps_2_0
        dcl t0
        dcl_2d s0
        texld r0, t0, s0
        mov oC0, r0
    }
}

technique ChannelRender
{
    pass Draw
    {
        VertexShader = NULL;
        PixelShader = ps_copy;
    }
}
