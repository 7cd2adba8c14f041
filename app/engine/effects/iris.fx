// Iris: the preview opens in a circle from the centre of the frame.
int _Type = 1;
int _ID = 9;
string _Name = "Iris";
codepage 936;
string _Description_cn = "圆形展开|预监画面从画面中心以圆形展开。";
codepage 950;
string _Description_td = "圓形展開|預監畫面從畫面中心以圓形展開。";
string _Description_us = "Iris|The preview opens in a circle from the centre of the frame.";
bool _TimeSensitivity = true;

float _Progress = 0;
int _field_x = 720;
int _field_y = 576;
float _line_x = 0.00138889;
float _line_y = 0.00173611;
float4x4 _mat_world;
float4x4 _mat_vp;

texture _tex0;
texture _tex1;
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

vertexshader vs_screen
{
    bind _mat_world c0;
    bind _mat_vp c4;
    asm {
        vs_2_0
        dcl_position v0
        dcl_texcoord0 v1
        dcl_texcoord1 v2
        dcl_texcoord2 v3
        m4x4 r0, v0, c0
        m4x4 oPos, r0, c4
        mov oT0, v1
        mov oT1, v2
        mov oT2, v3
    }
}

pixelshader ps_transition
{
    bind _Progress c0;
    bind s_tex0 s0;
    bind s_tex1 s1;
    bind _field_x c1;
    bind _field_y c2;
    asm {
        ps_2_0
        def c3, 0.5, 1, 0.51, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        texld r0, t0, s0
        texld r1, t0, s1
        // distances in units of the frame height, so the circle stays round
        rcp r2, c2.x
        mul r2, r2, c1.x
        mov r3, c3.w
        add r3.x, t0.x, -c3.x
        mul r3.x, r3.x, r2.x
        add r3.y, t0.y, -c3.x
        dp3 r4, r3, r3
        // the radius that reaches the corners, a little more
        mul r5, r2.x, r2.x
        add r5, r5, c3.y
        rsq r5, r5.x
        rcp r5, r5.x
        mul r5, r5, c3.z
        mul r5, r5, c0.x
        mul r5, r5, r5
        add r6, r5, -r4.x
        cmp r7, r6.x, r1, r0
        mov oC0, r7
    }
}

technique Iris
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
