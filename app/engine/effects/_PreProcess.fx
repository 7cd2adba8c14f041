// The render engine's pre-processing of every channel frame, one pass per step:
//   0 field pick and deinterlace ("_deinterlace": the field shown, 0 or 1; 2 the whole frame)
//   1 key by hue and saturation: the key's opacity (0 where the hue is keyed), in colour and alpha
//   2 matte combine: the matte shows where the key is transparent, inside "_range"
//   3 colour adjustment: brightness, contrast, hue (degrees) and saturation
//   4 whole frame, unchanged
// Vertices go through the fixed pipeline with the engine's transforms. While a frame is
// pre-processed the quad's third coordinate pair gives the source line in pixels.
int _field_x = 720;
int _field_y = 576;
float _line_x = 0.00138889;
float _line_y = 0.00173611;
int _deinterlace = 2;
float _min_hue = 0.23;
float _max_hue = 0.43;
float _min_saturation = 0.2;
float4 _range = {0, 1, 0, 1};
float _brightness = 0;
float _contrast = 1;
float _hue = 0;
float _saturation = 1;
int _coloradjust = 0;

texture _tex0;
texture _tex1;
texture _tex2;
sampler s_point0 = sampler_state {
    Texture = <_tex0>;
    MinFilter = POINT; MagFilter = POINT; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};
sampler s_tex0 = sampler_state {
    Texture = <_tex0>;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};
sampler s_tex1 = sampler_state {
    Texture = <_tex1>;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};
sampler s_tex2 = sampler_state {
    Texture = <_tex2>;
    MinFilter = POINT; MagFilter = POINT; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};

// A line of the field being shown is kept; a line of the other field is replaced by the
// mean of its neighbours above and below, which belong to the shown field.
pixelshader ps_field
{
    bind _deinterlace c0;
    bind _line_y c1;
    bind s_point0 s0;
    asm {
        ps_2_0
        def c2, 0.5, 1, 0, -2
        dcl t0
        dcl t2
        dcl_2d s0
        mul r0, t2.y, c2.x
        frc r0, r0
        add r0, r0, -c2.x
        cmp r0, r0, c2.y, c2.z
        add r0.y, r0.x, -c0.x
        add r0.z, c0.x, c2.w
        mul r0.y, r0.y, r0.y
        mul r0.z, r0.z, r0.z
        cmp r0.y, -r0.y, c2.y, c2.z
        cmp r0.z, -r0.z, c2.y, c2.z
        max r0.w, r0.y, r0.z
        mov r1, t0
        add r1.y, t0.y, -c1.x
        mov r2, t0
        add r2.y, t0.y, c1.x
        texld r3, t0, s0
        texld r1, r1, s0
        texld r2, r2, s0
        add r1, r1, r2
        mul r1, r1, c2.x
        lrp r4, r0.w, r3, r1
        mov oC0, r4
    }
}

// Hue and saturation as in HSV, hue scaled to 0..1 (0 red, 1/3 green, 2/3 blue). The
// key range may run past 0 or 1, so hue - 1, hue and hue + 1 are all tried.
pixelshader ps_key
{
    bind _min_hue c0;
    bind _max_hue c1;
    bind _min_saturation c2;
    bind s_point0 s0;
    asm {
        ps_2_0
        def c3, 0, 1, 0.00001, 0.16666667
        def c4, 2, 4, 6, -1
        dcl t0
        dcl_2d s0
        texld r0, t0, s0
        max r1, r0.x, r0.y
        max r1.x, r1.x, r0.z
        min r1.y, r0.x, r0.y
        min r1.y, r1.y, r0.z
        add r1.z, r1.x, -r1.y
        max r2, r1.x, c3.z
        rcp r2.x, r2.x
        mul r1.w, r1.z, r2.x
        max r2.y, r1.z, c3.z
        rcp r2.y, r2.y
        mov r3, c3.x
        add r3.x, r0.y, -r0.z
        mul r3.x, r3.x, r2.y
        add r3.y, r0.z, -r0.x
        mad r3.y, r3.y, r2.y, c4.x
        add r3.z, r0.x, -r0.y
        mad r3.z, r3.z, r2.y, c4.y
        add r4, r0.y, -r1.x
        cmp r5, r4.x, r3.y, r3.z
        add r4.y, r0.x, -r1.x
        cmp r5.x, r4.y, r3.x, r5.x
        cmp r5.y, r5.x, c3.x, c4.z
        add r5.x, r5.x, r5.y
        mul r5.x, r5.x, c3.w
        mov r6, r5.x
        add r6.x, r5.x, c4.w
        add r6.z, r5.x, c3.y
        add r7, r6, -c0.x
        add r8, -r6, c1.x
        cmp r7, r7, c3.y, c3.x
        cmp r8, r8, c3.y, c3.x
        mul r7, r7, r8
        add r7.x, r7.x, r7.y
        add r7.x, r7.x, r7.z
        min r7.x, r7.x, c3.y
        add r8.x, r1.w, -c2.x
        cmp r8.x, r8.x, c3.y, c3.x
        mul r7.x, r7.x, r8.x
        add r9, c3.y, -r7.x
        mov oC0, r9
    }
}

// "_range" is the key's rectangle: left, right, top and bottom, 0..1 of the frame.
pixelshader ps_matte
{
    bind _range c0;
    bind s_point0 s0;
    bind s_tex1 s1;
    bind s_tex2 s2;
    asm {
        ps_2_0
        def c1, 1, 0, 0, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        dcl_2d s2
        texld r0, t0, s0
        texld r1, t0, s1
        texld r2, t0, s2
        mov r3, t0
        add r3.x, t0.x, -c0.x
        add r3.y, c0.y, -t0.x
        add r3.z, t0.y, -c0.z
        add r3.w, c0.w, -t0.y
        cmp r3, r3, c1.x, c1.y
        mul r3.x, r3.x, r3.y
        mul r3.x, r3.x, r3.z
        mul r3.x, r3.x, r3.w
        lrp r4, r3.x, r2.x, c1.x
        lrp r5, r4.x, r0, r1
        mov oC0, r5
    }
}

// Hue turns and saturation scales the chroma in YIQ; contrast pivots about mid grey and
// brightness is added last. "_coloradjust" 0 leaves the picture unchanged.
pixelshader ps_colour
{
    bind _brightness c0;
    bind _contrast c1;
    bind _hue c2;
    bind _saturation c3;
    bind _coloradjust c4;
    bind s_point0 s0;
    asm {
        ps_2_0
        def c5, 0.5, 0.017453292, 1, 0
        def c6, 0.299, 0.587, 0.114, 0
        def c7, 0.595716, -0.274453, -0.321263, 0
        def c8, 0.211456, -0.522591, 0.311135, 0
        def c9, 1, 0.9562948, 0.6210251, 0
        def c10, 1, -0.2721214, -0.6473809, 0
        def c11, 1, -1.1069890, 1.7046149, 0
        def c12, 0.5, 0.023809524, 0.05, 0.16666667
        def c13, 0.017857143, 0.033333333, 0.083333333, 1
        dcl t0
        dcl_2d s0
        texld r0, t0, s0
        mov r1, c5.w
        dp3 r1.x, r0, c6
        dp3 r1.y, r0, c7
        dp3 r1.z, r0, c8
        // sine and cosine of half the angle by their series, then doubled
        mul r2, c2.x, c5.y
        mul r2.x, r2.x, c12.x
        mul r2.y, r2.x, r2.x
        mov r3, c5.w
        mad r3.x, -r2.y, c12.y, c13.w
        mul r3.z, r2.y, c12.z
        mad r3.x, -r3.z, r3.x, c13.w
        mul r3.z, r2.y, c12.w
        mad r3.x, -r3.z, r3.x, c13.w
        mul r3.x, r3.x, r2.x
        mad r3.y, -r2.y, c13.x, c13.w
        mul r3.z, r2.y, c13.y
        mad r3.y, -r3.z, r3.y, c13.w
        mul r3.z, r2.y, c13.z
        mad r3.y, -r3.z, r3.y, c13.w
        mul r3.z, r2.y, c12.x
        mad r3.y, -r3.z, r3.y, c13.w
        mul r3.w, r3.x, r3.y
        add r3.w, r3.w, r3.w
        mul r3.z, r3.x, r3.x
        add r3.z, r3.z, r3.z
        add r3.z, c13.w, -r3.z
        // positive angles turn red towards green, as the hue circle of the key runs
        mul r4, r1.y, r3.z
        mad r4.x, r1.z, r3.w, r4.x
        mul r4.y, r1.y, r3.w
        mad r4.y, r1.z, r3.z, -r4.y
        mul r4, r4, c3.x
        mov r5, c5.w
        mov r5.x, r1.x
        mov r5.y, r4.x
        mov r5.z, r4.y
        mov r6, r0
        dp3 r6.x, r5, c9
        dp3 r6.y, r5, c10
        dp3 r6.z, r5, c11
        add r6.xyz, r6, -c5.x
        mad r6.xyz, r6, c1.x, c5.x
        add r6.xyz, r6, c0.x
        lrp r7, c4.x, r6, r0
        mov_sat r7, r7
        mov oC0, r7
    }
}

pixelshader ps_copy
{
    bind s_point0 s0;
    asm {
        ps_2_0
        dcl t0
        dcl_2d s0
        texld r0, t0, s0
        mov oC0, r0
    }
}

technique PreProcess
{
    pass Field
    {
        VertexShader = NULL;
        PixelShader = ps_field;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
    }
    pass Key
    {
        VertexShader = NULL;
        PixelShader = ps_key;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
    }
    pass Matte
    {
        VertexShader = NULL;
        PixelShader = ps_matte;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
    }
    pass Colour
    {
        VertexShader = NULL;
        PixelShader = ps_colour;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
    }
    pass Frame
    {
        VertexShader = NULL;
        PixelShader = ps_copy;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
    }
}
