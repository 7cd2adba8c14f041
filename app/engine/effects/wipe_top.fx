// Wipe: the preview replaces the program behind a hard edge moving in from the top edge.
int _Type = 1;
int _ID = 5;
string _Name = "Wipe Top";
codepage 936;
string _Description_cn = "上划像|预监画面从上边划入。";
codepage 950;
string _Description_td = "上劃像|預監畫面從上邊劃入。";
string _Description_us = "Wipe from Top|The preview wipes in from the top edge.";
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
        texld r0, t0, s0
        texld r1, t0, s1
        // the program stays where the distance to the edge is not negative
        add r2, t0.y, -c0.x
        cmp r3, r2.x, r0, r1
        mov oC0, r3
    }
}

technique Wipe
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
