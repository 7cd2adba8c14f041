// Fade through black: the program fades to black, then the preview fades up.
int _Type = 1;
int _ID = 2;
string _Name = "Fade to Black";
codepage 936;
string _Description_cn = "淡出淡入|节目画面渐隐为黑场，再渐显为预监画面。";
codepage 950;
string _Description_td = "淡出淡入|節目畫面漸隱為黑場，再漸顯為預監畫面。";
string _Description_us = "Fade to Black|The program fades to black, then the preview fades up.";
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
        def c1, 2, -1, 1, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        texld r0, t0, s0
        texld r1, t0, s1
        mov r2, c1.w
        mad_sat r2.x, c0.x, -c1.x, c1.z
        mad_sat r2.y, c0.x, c1.x, c1.y
        mul r0, r0, r2.x
        mad r3, r1, r2.y, r0
        mov r3.w, c1.z
        mov oC0, r3
    }
}

technique FadeToBlack
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
