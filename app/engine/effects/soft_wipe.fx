// Soft wipe: a left-to-right wipe whose edge is a blend of the given width.
int _Type = 1;
int _ID = 7;
string _Name = "Soft Wipe";
codepage 936;
string _Description_cn = "柔边划像|预监画面从左边以柔和的边缘划入。|边缘宽度可调。";
codepage 950;
string _Description_td = "柔邊劃像|預監畫面從左邊以柔和的邊緣劃入。|邊緣寬度可調。";
string _Description_us = "Soft Wipe|The preview wipes in from the left behind a soft edge.|The edge width can be set.";
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

float _Softness < string UIWidget = "slider"; string UIName = "Softness";
                  float UIMin = 0.01; float UIMax = 0.5; float UIStep = 0.01; > = 0.1;

pixelshader ps_transition
{
    bind _Progress c0;
    bind s_tex0 s0;
    bind s_tex1 s1;
    bind _Softness c1;
    asm {
        ps_2_0
        def c2, 1, 0.001, 0, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        texld r0, t0, s0
        texld r1, t0, s1
        // the edge runs from -softness to 1, so both ends of the transition are clean
        max r2, c1.x, c2.y
        add r3, c2.x, r2.x
        mul r3, r3, c0.x
        add r3, r3, -t0.x
        rcp r4, r2.x
        mul_sat r3, r3, r4.x
        lrp r5, r3.x, r1, r0
        mov oC0, r5
    }
}

technique SoftWipe
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
