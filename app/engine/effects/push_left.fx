// Push: the preview slides in from the left and pushes the program out to the right.
int _Type = 1;
int _ID = 8;
string _Name = "Push Left";
codepage 936;
string _Description_cn = "推出|预监画面从左边推入，节目画面向右推出。";
codepage 950;
string _Description_td = "推出|預監畫面從左邊推入，節目畫面向右推出。";
string _Description_us = "Push from Left|The preview slides in from the left and pushes the program out to the right.";
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
    asm {
        ps_2_0
        def c1, 1, 0, 0, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        mov r0, t0
        add r0.x, t0.x, -c0.x
        mov r1, r0
        add r1.x, r0.x, c1.x
        texld r2, r0, s0
        texld r3, r1, s1
        cmp r4, r0.x, r2, r3
        mov oC0, r4
    }
}

technique Push
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
